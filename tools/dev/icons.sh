#!/usr/bin/env bash
# icons.sh: renders the package's PNG icons (48 and 128 pixels) from packaging/icons/tarnwell.svg.
# Needs rsvg-convert (Debian package librsvg2-bin). The PNGs are kept in the tree, so building
# the program or the package does not need it.
set -euo pipefail
icons=$(cd "$(dirname "$0")/../../packaging/icons" && pwd)
command -v rsvg-convert >/dev/null || { echo "icons.sh: install librsvg2-bin for rsvg-convert" >&2; exit 1; }
for size in 48 128; do
  rsvg-convert -w "$size" -h "$size" "$icons/tarnwell.svg" -o "$icons/tarnwell-$size.png"
done
