#!/usr/bin/env bash
# deb-check.sh BUILD_DIR: builds the Debian package of a built tree with cpack and checks it as
# Debian and a person passing it on would: lintian with its pedantic and informational tags
# (among them the programs' hardening and unneeded sections) must report nothing, and the
# package must carry the free licence in its copyright file and AppStream data, with no
# placeholder addresses.
set -euo pipefail
cd "${1:?usage: deb-check.sh BUILD_DIR}"
rm -f tarnwell_*.deb
cpack -G DEB >cpack.log 2>&1 || { cat cpack.log >&2; exit 1; }
deb=$(ls tarnwell_*.deb)
status=0
fail() { echo "deb-check: $*" >&2; status=1; }
if lintian --fail-on error,warning,info,pedantic -I --pedantic --tag-display-limit 0 "$deb"; then
  echo "lintian: nothing reported on $deb, pedantic and informational tags included"
else
  fail "lintian reported the tags above"
fi

tree=$(mktemp -d)
trap 'rm -rf -- "$tree"' EXIT
dpkg-deb -x "$deb" "$tree"
copyright=$tree/usr/share/doc/tarnwell/copyright
metainfo=$(ls "$tree"/usr/share/metainfo/*.metainfo.xml)
# The files paragraph names GPL-3+, and the licence has its own stand-alone paragraph.
grep -Pzq '\nFiles: \*\nCopyright: [^\n]+\nLicense: GPL-3\+\n' "$copyright" || fail "copyright: Files: * is not License: GPL-3+"
grep -Pzq '\n\nLicense: GPL-3\+\n This program is free software' "$copyright" || fail "copyright: no GPL-3+ licence paragraph"
grep -q '/usr/share/common-licenses/GPL-3' "$copyright" || fail "copyright: does not point at common-licenses/GPL-3"
grep -q '<project_license>GPL-3.0-or-later</project_license>' "$metainfo" || fail "AppStream: project_license is not GPL-3.0-or-later"
if grep -n 'example\.\(org\|com\|net\)' "$metainfo" "$tree/usr/share/applications/tarnwell.desktop"; then
  fail "placeholder addresses in the AppStream data or the desktop entry"
fi
[ $status -ne 0 ] || echo "deb-check: licence GPL-3+ (GPL-3.0-or-later) in the copyright file and the AppStream data, no placeholder addresses"
exit $status
