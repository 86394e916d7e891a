#!/usr/bin/env bash
# Shared set-up of run.sh and test.sh: installs the Debian packages the project needs (only
# those missing, as root or through sudo); build_preset configures and builds a CMake preset.
# Idempotent: a second run installs nothing and rebuilds only what changed.
set -euo pipefail

top=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)

packages=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev qt6-serialport-dev   # Qt 6 Widgets, SerialPort, Test
  fonts-arphic-uming                # the window's Song face (AR PL UMing CN)
  fonts-wqy-zenhei                  # Chinese characters UMing lacks
  qt6-translations-l10n             # Qt's own texts (OK, context menus) in Chinese
  appstream desktop-file-utils      # validators of the package's desktop metadata
  clang libclang-rt-14-dev          # sanitizer runtime and libFuzzer
  dpkg-dev                          # dpkg-shlibdeps: library dependencies of the .deb
  perl lintian                      # pod2man for the manual pages; the .deb's check
  lrzsz                             # rx and sx: the independent XMODEM peer of the tests and benchmark
)

install_missing() {
  local missing=()
  for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  local sudo=()
  if [ "$(id -u)" -ne 0 ]; then
    command -v sudo >/dev/null || { echo "Need root or sudo to install: ${missing[*]}" >&2; exit 1; }
    sudo=(sudo)
  fi
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}"
}

# build_preset PRESET [BUILD_PRESET]: configures PRESET and builds BUILD_PRESET (PRESET when not
# given) as CMakePresets.json says (build/ for "default"; "programs" builds only the programs).
build_preset() {
  (cd "$top" && cmake --preset "$1" >/dev/null && cmake --build --preset "${2:-$1}")
}

install_missing
