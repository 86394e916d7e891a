#!/usr/bin/env bash
# Runs every libFuzzer target of a fuzz build for a bounded time, each from its seed corpus
# here plus the inputs it found in earlier runs (kept in the build folder), and prints the
# executions per target. Fails when a target crashes or breaks one of its invariants; the
# input that did it is left in <build>/fuzz-artifacts/.
#
#   fuzz/run.sh BUILD_DIR [SECONDS [TARGET...]]
#     SECONDS: per target, default $TARNWELL_FUZZ_SECONDS or 60; TARGET: only these targets
#     (each fuzz target's CTest test runs one).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=${1:?usage: fuzz/run.sh BUILD_DIR [SECONDS [TARGET...]]}
seconds=${2:-${TARNWELL_FUZZ_SECONDS:-60}}
only=("${@:3}")

# target:seed corpus:dictionary
targets=(
  "fuzz_bindinfo:report:bindinfo.dict"
  "fuzz_inidocument:ini:inidocument.dict"
  "fuzz_linesettings:linesettings:"
)

mkdir -p "$build/fuzz-artifacts"
status=0
summary=()
for entry in "${targets[@]}"; do
  IFS=: read -r name seeds dict <<<"$entry"
  if [ ${#only[@]} -gt 0 ] && [[ " ${only[*]} " != *" $name "* ]]; then continue; fi
  exe="$build/fuzz/$name"
  work="$build/fuzz-corpus/$name"
  log="$build/fuzz-artifacts/$name.log"
  mkdir -p "$work"
  args=(-max_total_time="$seconds" -timeout=10 -print_final_stats=1
        -artifact_prefix="$build/fuzz-artifacts/$name-")
  [ -n "$dict" ] && args+=(-dict="$here/$dict")
  started=$(date +%s)
  # New inputs go to the first folder (the build's); the seeds in the source tree stay as written.
  if "$exe" "${args[@]}" "$work" "$here/corpus/$seeds" >"$log" 2>&1; then
    result=ok
  else
    result=FAILED
    status=1
    tail -n 40 "$log" >&2
  fi
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
  summary+=("$(printf '  %-18s %-6s %10s executions in %3d s, corpus %d inputs' "$name" "$result" \
    "${runs:-?}" "$(( $(date +%s) - started ))" "$(find "$work" -type f | wc -l)")")
done
echo "fuzzing, ${seconds} s per target:"
printf '%s\n' "${summary[@]}"
exit $status
