#!/usr/bin/env bash
# screenshot.sh BUILD_DIR OUT.png [SCALE]
#
# Takes the picture of the main window that the AppStream metadata shows
# (packaging/screenshots/tarnwell-main.png): the real program on a private Xvfb display with
# openbox, in practice mode (tarnwell --practice, the simulated switch), logged in to the entry switch and
# showing its binding report. SCALE (default 1) is passed as QT_SCALE_FACTOR.
# Needs xvfb, openbox, xdotool and imagemagick.
set -euo pipefail

build=$(cd "${1:?usage: screenshot.sh BUILD_DIR OUT.png [SCALE]}" && pwd)
out=${2:?usage: screenshot.sh BUILD_DIR OUT.png [SCALE]}
scale=${3:-1}
for tool in Xvfb openbox xdotool import; do
  command -v "$tool" >/dev/null || { echo "screenshot.sh: $tool is not installed" >&2; exit 1; }
done

tmp=$(mktemp -d "${TMPDIR:-/tmp}/tarnwell-shot.XXXXXX")
pids=()
cleanup() {
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill "${pids[i]}" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf -- "$tmp"
}
trap cleanup EXIT INT TERM HUP

Xvfb -displayfd 3 -screen 0 2400x1500x24 -dpi 96 3>"$tmp/display" 2>/dev/null &
pids+=($!)
for _ in $(seq 50); do [ -s "$tmp/display" ] && break; sleep 0.1; done
export DISPLAY=":$(cat "$tmp/display")"
openbox >/dev/null 2>&1 &
pids+=($!)
sleep 1 # the window manager places the window when it first shows
env -u QT_QPA_PLATFORM QT_SCALE_FACTOR="$scale" "$build/src/ui/tarnwell" --practice >"$tmp/run.log" 2>&1 &
pids+=($!)

window=
for _ in $(seq 100); do
  window=$(xdotool search --onlyvisible --name "^Tarnwell V" 2>/dev/null | head -1) && [ -n "$window" ] && break
  sleep 0.2
done
[ -n "$window" ] || { echo "screenshot.sh: the window did not appear" >&2; cat "$tmp/run.log" >&2; exit 1; }
sleep 3 # the window is placed and painted

# click X Y [PAUSE]: X, Y are the control's centre in the window at 96 dpi.
click() {
  xdotool mousemove --window "$window" "$(awk "BEGIN { print int($1 * $scale) }")" \
    "$(awk "BEGIN { print int($2 * $scale) }")" click 1
  sleep "${3:-0.5}"
}
click 897 596 1      # Cmd_Switch: open the port
click 516 276 2      # Cmd_Send_Enter: the entry switch asks for the user name
click 196 532        # Txt_User_Name
xdotool type --delay 50 admin
click 196 556        # Txt_User_PSD
xdotool type --delay 50 admin
click 544 596 6      # Cmd_Login, then the message box it ends with
xdotool key Return
sleep 1
click 708 276 16     # Cmd_GetBindInfo: "dis cu", nine pages, the report
import -window "$window" "$out"
echo "screenshot.sh: wrote $out"
