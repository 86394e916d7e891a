#!/usr/bin/env bash
# lintian-check.sh BUILD_DIR: builds the Debian package of a built tree with cpack and checks it
# with lintian; fails on any error or warning.
set -euo pipefail
cd "${1:?usage: lintian-check.sh BUILD_DIR}"
rm -f tarnwell_*.deb
cpack -G DEB >cpack.log 2>&1 || { cat cpack.log >&2; exit 1; }
lintian --fail-on error,warning --tag-display-limit 0 tarnwell_*.deb
echo "lintian: no errors or warnings in $(ls tarnwell_*.deb)"
