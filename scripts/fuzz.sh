#!/bin/bash
# Builds the fuzz targets with clang-14, libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer in build-fuzz, and runs each target for a
# bounded time on a copy of its checked-in corpus (fuzz/corpus/<target>).
#
#   scripts/fuzz.sh [seconds per target] [target...]
#
# Default: 30 seconds for each target in fuzz/*_fuzzer.cc. An input that
# crashes, leaks, hangs (10 s) or takes more than 2 GiB fails the run; it is
# kept as build-fuzz/artifacts/<target>-crash-... (or leak-, timeout-, oom-)
# to replay with build-fuzz/fuzz/<target> <file>. New inputs the fuzzer
# finds stay in build-fuzz/corpus/<target>; the checked-in corpus is never
# touched.
set -euo pipefail

top="$(cd -- "$(dirname -- "$0")/.." && pwd -P)"
cd -- "$top"
seconds="${1:-30}"
shift || true
build="$top/build-fuzz"
jobs="$(nproc 2>/dev/null || echo 2)"

if (($#)); then
  targets=("$@")
else
  targets=()
  for source in fuzz/*_fuzzer.cc; do
    targets+=("$(basename -- "$source" .cc)")
  done
fi

CC=clang-14 CXX=clang++-14 cmake -S "$top" -B "$build" \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTOVRA_FUZZ=ON \
  -DTOVRA_BUILD_TESTS=OFF -DTOVRA_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" -j "$jobs" --target "${targets[@]}"

mkdir -p "$build/artifacts"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
failed=()
summary=()
for target in "${targets[@]}"; do
  corpus="$build/corpus/$target"
  rm -rf -- "$corpus"
  mkdir -p -- "$corpus"
  cp -- "fuzz/corpus/$target"/* "$corpus/"
  log="$build/$target.log"
  echo "Fuzzing $target for ${seconds}s"
  if "$build/fuzz/$target" -max_total_time="$seconds" -timeout=10 \
    -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$build/artifacts/$target-" "$corpus" >"$log" 2>&1; then
    runs="$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)"
    files="$(find "$corpus" -type f | wc -l)"
    bytes="$(du -sb -- "$corpus" | cut -f1)"
    summary+=("$(printf '%-24s %12s runs  %6s inputs  %9s bytes' \
      "$target" "${runs:-?}" "$files" "$bytes")")
  else
    failed+=("$target")
    echo "FAILED: $target (log: $log)"
    grep -E 'ERROR|SUMMARY|runtime error|fuzz property|Test unit written' \
      "$log" | head -n 20 || true
  fi
done

echo "Fuzzing summary (${seconds}s per target):"
for line in "${summary[@]}"; do echo "  $line"; done
if ((${#failed[@]})); then
  echo "Fuzz targets that failed: ${failed[*]}"
  exit 1
fi
