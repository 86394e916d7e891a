#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test (headless), three ways:
#   1. the normal build in build/, then desktop-file-validate and appstreamcli validate on the
#      desktop entry and the AppStream metadata;
#   2. the same suite built with AddressSanitizer and UndefinedBehaviorSanitizer in build-asan/,
#      leak detection on: any sanitizer finding, also in a helper program a test starts, fails;
#   3. the libFuzzer targets built with clang in build-fuzz/, each run for a bounded time
#      (TARNWELL_FUZZ_SECONDS per target, default 20) from its seed corpus.
# From empty build folders it takes about eight minutes on two otherwise idle cores; the summary
# at the end prints the time of each stage and the total.
# TARNWELL_BUILD_ROOT puts the three build folders elsewhere (default: the checkout).
# Idempotent: a second run rebuilds only what changed. .ci/run calls this.
set -euo pipefail
top=$(cd "$(dirname "$0")" && pwd)
source "$top/tools/dev/setup.sh"
export QT_QPA_PLATFORM=offscreen
root=${TARNWELL_BUILD_ROOT:-$top}
export TARNWELL_FUZZ_SECONDS=${TARNWELL_FUZZ_SECONDS:-20}

status=0
summary=()
clock() { date +%s; }
started=$(clock)
stage() { # stage NAME START RESULT
  summary+=("$(printf '  %-34s %-6s %4d s' "$1" "$3" "$(( $(clock) - $2 ))")")
  [ "$3" = ok ] || status=1
}

# 1. Normal build.
t=$(clock)
build_tree "$root/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo
stage "build (normal)" "$t" ok
t=$(clock)
if ctest --test-dir "$root/build" --output-on-failure -j 2 --timeout 600; then r=ok; else r=FAILED; fi
stage "tests (normal)" "$t" "$r"

# Desktop entry and AppStream metadata as software centres read them (no network).
t=$(clock)
if desktop-file-validate "$top/packaging/tarnwell.desktop" \
   && appstreamcli validate --no-net --pedantic "$top/packaging/org.example.tarnwell.metainfo.xml"; then r=ok; else r=FAILED; fi
stage "desktop and AppStream metadata" "$t" "$r"

# 2. Sanitizer build. Reports go to files so that findings in child processes are seen too.
# No leak suppressions are needed: Qt leaves nothing LeakSanitizer reports at exit here.
t=$(clock)
# The benchmarks are left out here: they measure the normal build.
build_tree "$root/build-asan" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTARNWELL_SANITIZE=ON -DTARNWELL_BENCH=OFF
stage "build (ASan+UBSan)" "$t" ok
logs="$root/build-asan/sanitizer-logs"
rm -rf "$logs"
mkdir -p "$logs"
t=$(clock)
if ASAN_OPTIONS="detect_leaks=1:halt_on_error=1:detect_stack_use_after_return=1:check_initialization_order=1:strict_init_order=1:log_path=$logs/asan" \
   UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1:log_path=$logs/ubsan" \
   ctest --test-dir "$root/build-asan" --output-on-failure -j 2 --timeout 900; then r=ok; else r=FAILED; fi
if compgen -G "$logs/*" >/dev/null; then
  echo "Sanitizer findings:" >&2
  for f in "$logs"/*; do echo "== $f" >&2; cat "$f" >&2; done
  r=FAILED
fi
stage "tests (ASan+UBSan, leaks)" "$t" "$r"

# 3. Fuzzing with clang; only the fuzz targets are built in this tree.
t=$(clock)
cmake -S "$top" -B "$root/build-fuzz" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_COMPILER=clang++ -DTARNWELL_FUZZ=ON >/dev/null
cmake --build "$root/build-fuzz" -j "$(nproc)" --target tarnwell_fuzz
stage "build (fuzz targets, clang)" "$t" ok
t=$(clock)
if "$top/fuzz/run.sh" "$root/build-fuzz"; then r=ok; else r=FAILED; fi
stage "fuzzing" "$t" "$r"

echo
echo "test.sh summary:"
printf '%s\n' "${summary[@]}"
echo "  total $(( $(clock) - started )) s: $([ $status -eq 0 ] && echo passed || echo FAILED)"
exit $status
