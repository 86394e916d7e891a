#!/usr/bin/env bash
# Installs what is missing, then builds and runs the three kinds of CMakePresets.json:
#   default  the normal build in build/: every test (CTest labels unit, widget, e2e) and the
#            package checks (label packaging: the desktop entry, the AppStream metadata, and
#            lintian on the .deb: no error, no warning);
#   asan     the same tests but packaging, built with AddressSanitizer and
#            UndefinedBehaviorSanitizer in build-asan/ (at -O1 with line tables only, which is
#            all their reports need), leak detection on: any sanitizer finding, also in a helper
#            program a test starts, fails;
#   fuzz     the libFuzzer targets built with clang in build-fuzz/, each fuzzed for
#            TARNWELL_FUZZ_SECONDS (default 20) from its seed corpus (label fuzz).
# The tests spend most of their time waiting on the simulated console's pace, the builds on the
# processor: so each kind's tests run while the next kind builds (the sanitizer tree's while the
# fuzz targets build and fuzz), and their output is shown when they end. The summary at the end prints the time of each step and the total. One kind alone:
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
note() { # note DESCRIPTION RESULT SECONDS
  summary+=("$(printf '  %-44s %-6s %4d s' "$1" "$2" "$3")")
  [ "$2" = ok ] || status=1
}
build() { # build PRESET DESCRIPTION: configures and builds in the foreground
  local t result=ok
  t=$(clock)
  { cmake --preset "$1" && cmake --build --preset "$1"; } || result=FAILED
  note "$2" $result $(( $(clock) - t ))
  [ $result = ok ]
}
tests_pid=
trap '[ -z "$tests_pid" ] || kill "$tests_pid" 2>/dev/null || true' EXIT
tests_name=
tests_log=
tests_started=0
start_tests() { # start_tests PRESET DESCRIPTION: runs the preset's tests in the background
  tests_name=$2
  tests_log=$(mktemp)
  tests_started=$(clock)
  # The time noted is the tests' own, up to their end (not to when they are waited for).
  { rc=0; ctest --preset "$1" >"$tests_log" 2>&1 || rc=$?; echo "$rc $(clock)" >"$tests_log.end"; } &
  tests_pid=$!
}
finish_tests() { # waits for the tests started last, shows their output and notes the result
  [ -n "$tests_pid" ] || return 0
  local rc ended
  wait "$tests_pid" || true
  read -r rc ended <"$tests_log.end" || { rc=1; ended=$(clock); }
  cat "$tests_log"
  rm -f "$tests_log" "$tests_log.end"
  note "$tests_name" "$([ "$rc" = 0 ] && echo ok || echo FAILED)" $(( ended - tests_started ))
  tests_pid=
}

if build default "normal build"; then
  start_tests default "its tests and package checks"
fi

# Sanitizer reports go to files (the test preset names the folder), so that findings in child
# processes are seen too. No leak suppressions are needed: Qt leaves nothing LeakSanitizer
# reports at exit here.
logs="$top/build-asan/sanitizer-logs"
rm -rf "$logs"
mkdir -p "$logs"
asan_built=no
build asan "ASan+UBSan build" && asan_built=yes
finish_tests
if [ $asan_built = yes ]; then
  start_tests asan "ASan+UBSan tests, leaks"
fi

if build fuzz "fuzz targets (clang)"; then
  t=$(clock)
  result=ok
  ctest --preset fuzz || result=FAILED
  note "fuzzing" $result $(( $(clock) - t ))
fi
finish_tests
if compgen -G "$logs/*" >/dev/null; then
  echo "Sanitizer findings:" >&2
  for f in "$logs"/*; do echo "== $f" >&2; cat "$f" >&2; done
  note "sanitizer findings" FAILED 0
fi

echo
echo "test.sh summary (each kind's tests run alongside the next kind's build):"
printf '%s\n' "${summary[@]}"
echo "  total $(( $(clock) - started )) s: $([ $status -eq 0 ] && echo passed || echo FAILED)"
exit $status
