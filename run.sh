#!/usr/bin/env bash
# Installs what is missing, builds the program and the simulated switch (the tests are built by
# test.sh), and starts Tarnwell.
#   ./run.sh             tarnwell --practice: on a simulated switch on COM3 at 9600 baud, in a
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
build_preset default programs
if [ "$hardware" = 1 ]; then
  exec "$top/build/src/ui/tarnwell" "${args[@]}"
fi
exec "$top/build/src/ui/tarnwell" --practice "${args[@]}"
