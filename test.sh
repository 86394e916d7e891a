#!/usr/bin/env bash
# Installs what is missing, then runs the three CMake workflows of CMakePresets.json, each from
# configure through build to its tests:
#   default  the normal build in build/: every test (CTest labels unit, widget, e2e) and the
#            package checks (label packaging: the desktop entry, the AppStream metadata, and
#            lintian on the .deb: no error, no warning);
#   asan     the same tests but packaging, built with AddressSanitizer and
#            UndefinedBehaviorSanitizer in build-asan/ (at -O1 with line tables only, which is
#            all their reports need), leak detection on: any sanitizer finding, also in a helper
#            program a test starts, fails;
#   fuzz     the libFuzzer targets built with clang in build-fuzz/, each fuzzed for
#            TARNWELL_FUZZ_SECONDS (default 20) from its seed corpus (label fuzz).
# The summary at the end prints the time of each workflow and the total. One kind alone:
# `cmake --workflow --preset asan`, or `ctest --preset unit` after a build.
# Idempotent: a second run rebuilds only what changed. .ci/run calls this.
set -euo pipefail
top=$(cd "$(dirname "$0")" && pwd)
source "$top/tools/dev/setup.sh"
cd "$top"
export QT_QPA_PLATFORM=offscreen
export TARNWELL_FUZZ_SECONDS=${TARNWELL_FUZZ_SECONDS:-20}

status=0
summary=()
clock() { date +%s; }
started=$(clock)
workflow() { # workflow PRESET DESCRIPTION
  local t result
  t=$(clock)
  if cmake --workflow --preset "$1"; then result=ok; else result=FAILED; status=1; fi
  summary+=("$(printf '  %-34s %-6s %4d s' "$2" "$result" "$(( $(clock) - t ))")")
}

workflow default "normal build, tests, package"

# Sanitizer reports go to files (the test preset names the folder), so that findings in child
# processes are seen too. No leak suppressions are needed: Qt leaves nothing LeakSanitizer
# reports at exit here.
logs="$top/build-asan/sanitizer-logs"
rm -rf "$logs"
mkdir -p "$logs"
workflow asan "ASan+UBSan build and tests, leaks"
if compgen -G "$logs/*" >/dev/null; then
  echo "Sanitizer findings:" >&2
  for f in "$logs"/*; do echo "== $f" >&2; cat "$f" >&2; done
  summary+=("  sanitizer findings                 FAILED")
  status=1
fi

workflow fuzz "fuzz targets (clang), fuzzing"

echo
echo "test.sh summary:"
printf '%s\n' "${summary[@]}"
echo "  total $(( $(clock) - started )) s: $([ $status -eq 0 ] && echo passed || echo FAILED)"
exit $status
