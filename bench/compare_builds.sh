#!/bin/bash
# Compares two builds of device_series_bench operation by operation: each
# round runs every mode once with each build, the order of the two builds
# alternating from round to round, every run a fresh process on the same
# file; the result is the median (least-greatest) of the per-round ratios
# NEW/OLD of time and of peak memory.
#
#   bench/compare_builds.sh OLD_BENCH NEW_BENCH FILE [PAIRS [MODE...]]
#
# FILE is a series (make one with `device_series_bench --generate FILE`);
# PAIRS is 9 unless told (no fewer); the modes are read, write, read-dom and
# write-dom unless named.
set -euo pipefail
old="$1" new="$2" file="$3"
pairs="${4:-9}"
shift $(($# < 4 ? $# : 4))
modes=("$@")
((${#modes[@]})) || modes=(read write read-dom write-dom)
if ((pairs < 9)); then
  echo "PAIRS: 9 or more" >&2
  exit 2
fi
scratch="$(mktemp -d)"
trap 'rm -rf -- "$scratch"' EXIT

# run BENCH MODE: "SECONDS PEAK_KIB" of one fresh run.
run() { "$1" --run "$2" "$file" "$scratch"; }

printf '| Mode | time NEW/OLD | peak NEW/OLD | OLD s | NEW s |\n'
printf '|---|---|---|---|---|\n'
for mode in "${modes[@]}"; do
  ratios_t=() ratios_m=() olds=() news=()
  for ((round = 0; round < pairs; ++round)); do
    if ((round % 2 == 0)); then
      read -r ot om < <(run "$old" "$mode")
      read -r nt nm < <(run "$new" "$mode")
    else
      read -r nt nm < <(run "$new" "$mode")
      read -r ot om < <(run "$old" "$mode")
    fi
    ratios_t+=("$(awk -v a="$nt" -v b="$ot" 'BEGIN { printf "%.4f", a / b }')")
    ratios_m+=("$(awk -v a="$nm" -v b="$om" 'BEGIN { printf "%.4f", (b > 0 ? a / b : 1) }')")
    olds+=("$ot") news+=("$nt")
  done
  summary() {
    printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END {
      m = (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
      printf "%.2f (%.2f-%.2f)", m, v[1], v[NR] }'
  }
  median() {
    printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END {
      printf "%.3f", (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
  }
  printf '| %s | %s | %s | %s | %s |\n' "$mode" "$(summary "${ratios_t[@]}")" \
    "$(summary "${ratios_m[@]}")" "$(median "${olds[@]}")" "$(median "${news[@]}")"
done
