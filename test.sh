#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test (headless).
set -euo pipefail
top=$(cd "$(dirname "$0")" && pwd)
source "$top/tools/dev/setup.sh"
build_tree "$top/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo
export QT_QPA_PLATFORM=offscreen
ctest --test-dir "$top/build" --output-on-failure -j 2 --timeout 600
