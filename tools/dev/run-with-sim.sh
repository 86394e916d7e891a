#!/usr/bin/env bash
# run-with-sim.sh BUILD_DIR [program arguments...]
#
# Starts Tarnwell from BUILD_DIR against a simulated switch: tarnwell-switchsim on a
# pseudo-terminal; it links COM3 to its terminal inside a throw-away configuration directory, and
# the program runs with that directory as XDG_CONFIG_HOME. The person's own ~/.config/tarnwell
# (settings and port overrides) is never read or written. When the program ends, or this script is interrupted, the simulator is
# stopped and the directory removed.
#
# The simulated site (the walk-through in the README uses these):
#   entry switch on the console, SW3100-A (3100, 24 ports): login admin / admin
#   managed switch 10.0.0.2, SW3600-B (3600, 24 ports): login admin / admin at level 1,
#     advanced user name "super", advanced password "h3c"
# TARNWELL_SIM_OPTIONS adds options of tarnwell-switchsim (see its --help), e.g.
#   TARNWELL_SIM_OPTIONS="--ports 48 --model 3600" ./run.sh
#   TARNWELL_SIM_OPTIONS="--ports 48 --bind-every-port --strict-vlans" ./run.sh  (a fully bound site)
# The console runs at 9600 baud, as a real one does; TARNWELL_SIM_OPTIONS="--baud 0" prints at once.
set -euo pipefail

build=${1:?usage: run-with-sim.sh BUILD_DIR [program arguments...]}
shift
sim=$build/tools/switchsim/tarnwell-switchsim
program=$build/src/ui/tarnwell
for f in "$sim" "$program"; do
  [ -x "$f" ] || { echo "run-with-sim.sh: $f is not built" >&2; exit 1; }
done

tmp=$(mktemp -d "${TMPDIR:-/tmp}/tarnwell-sim.XXXXXX")
sim_pid=
program_pid=

cleanup() {
  trap - EXIT INT TERM HUP
  if [ -n "$program_pid" ]; then
    kill "$program_pid" 2>/dev/null || true
    wait "$program_pid" 2>/dev/null || true
  fi
  if [ -n "$sim_pid" ]; then
    kill "$sim_pid" 2>/dev/null || true
    wait "$sim_pid" 2>/dev/null || true
  fi
  rm -rf -- "$tmp"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM HUP

# The simulator prints its terminal's path as its first line; read it from a pipe.
read -r -a extra <<<"${TARNWELL_SIM_OPTIONS:-}"
exec {sim_out}< <(exec "$sim" --baud 9600 --user admin --password admin \
  --remote-model 3600 --remote-user admin --remote-password admin --remote-user-level 1 \
  --remote-super-password h3c --link "$tmp/tarnwell/ports/COM3" "${extra[@]}")
sim_pid=$!
if ! read -r -t 30 -u "$sim_out" pty; then
  echo "run-with-sim.sh: the simulated switch did not start" >&2
  exit 1
fi
# The pipe stays open (and unread) until the end, so a late line cannot kill the simulator.

echo "模拟交换机已在 $pty 上运行，COM3 指向它(临时配置目录 $tmp)。"
echo "  控制口上的交换机: 用户名 admin, 密码 admin"
echo "  管理交换机: 管理IP 10.0.0.2, 用户名 admin, 密码 admin, 高级用户名 super, 高级密码 h3c"
[ ${#extra[@]} -eq 0 ] || echo "  模拟器附加选项: ${extra[*]}"

XDG_CONFIG_HOME=$tmp "$program" "$@" &
program_pid=$!
status=0
wait "$program_pid" || status=$?
program_pid=
exit "$status"
