#!/usr/bin/env bash
# Installs what is missing, builds, and starts Tarnwell.
set -euo pipefail
top=$(cd "$(dirname "$0")" && pwd)
source "$top/tools/dev/setup.sh"
build_tree "$top/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo
exec "$top/build/src/ui/tarnwell" "$@"
