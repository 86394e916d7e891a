#!/usr/bin/env bash
# Installs what is missing, builds, and starts Tarnwell.
#   ./run.sh             against a simulated switch on COM3 (tools/dev/run-with-sim.sh), in a
#                        throw-away configuration directory; nothing of ~/.config/tarnwell is used
#   ./run.sh --hardware  against the real serial ports, with the user's own settings
# Other arguments go to the program.
set -euo pipefail
top=$(cd "$(dirname "$0")" && pwd)
hardware=0
args=()
for a in "$@"; do
  if [ "$a" = --hardware ]; then hardware=1; else args+=("$a"); fi
done
source "$top/tools/dev/setup.sh"
build_preset default
if [ "$hardware" = 1 ]; then
  exec "$top/build/src/ui/tarnwell" "${args[@]}"
fi
exec "$top/tools/dev/run-with-sim.sh" "$top/build" "${args[@]}"
