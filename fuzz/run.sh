#!/usr/bin/env bash
# Runs every fuzz target of a fuzz build for a given time each, one after another, on a copy of
# its seed corpus (the repository's corpus is never grown). Fails, naming the target and the
# saved input, when a target finds a crash, a leak, an overrun or undefined behaviour.
#   fuzz/run.sh BUILD_DIR SECONDS_PER_TARGET [TARGET...]
set -uo pipefail

build=${1:?build dir}
seconds=${2:?seconds per target}
shift 2
here=$(cd "$(dirname "$0")" && pwd)
work="$build/fuzz-work"

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for exe in "$build"/fuzz/*_fuzz; do targets+=("$(basename "$exe")"); done
fi

# A 16 MB quarantine still catches a use after free within one input, and keeps each run from
# touching fresh pages (the default 256 MB makes the larger targets several times slower).
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1:quarantine_size_mb=16}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1}
failed=()
for t in "${targets[@]}"; do
  dir="$work/$t"
  rm -rf "$dir"
  mkdir -p "$dir/corpus"
  cp "$here/corpus/$t"/* "$dir/corpus/" 2>/dev/null
  "$build/fuzz/$t" -max_total_time="$seconds" -timeout=30 -rss_limit_mb=4096 -print_final_stats=1 \
    -artifact_prefix="$dir/" "$dir/corpus" >"$dir/log" 2>&1
  rc=$?
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$dir/log")
  if [ $rc -ne 0 ]; then
    failed+=("$t")
    echo "FAIL $t (exit $rc): $(ls "$dir"/crash-* "$dir"/leak-* "$dir"/timeout-* "$dir"/oom-* 2>/dev/null | tr '\n' ' ')"
    grep -m1 -A12 -E "ERROR:|runtime error" "$dir/log"
  else
    echo "ok   $t: ${runs:-?} runs in ${seconds} s"
  fi
done
[ ${#failed[@]} -eq 0 ] || { echo "fuzz targets failed: ${failed[*]} (logs in $work)"; exit 1; }
