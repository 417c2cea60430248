#!/bin/bash
# Compares whole commands: each round runs the first command and every
# baseline once, in the reverse order of the round before, every run a fresh
# process (GNU time's elapsed seconds and peak resident memory); the result
# is, per baseline, the median (least-greatest) of the per-round ratios
# FIRST/BASELINE of time and of peak memory, and the medians of each run.
#
#   bench/compare_commands.sh PAIRS 'FIRST COMMAND' 'BASELINE' ['BASELINE'...]
#
# Each command is one shell word, run by bash with its output thrown away
# (its exit status is not looked at: validators exit 1 on an invalid file).
# PAIRS is 9 or more. Needs /usr/bin/time (Debian: time).
set -euo pipefail
pairs="$1"
shift
commands=("$@")
if ((pairs < 9 || ${#commands[@]} < 2)); then
  echo "usage: $0 PAIRS 'FIRST COMMAND' 'BASELINE'... (PAIRS: 9 or more)" >&2
  exit 2
fi
scratch="$(mktemp -d)"
trap 'rm -rf -- "$scratch"' EXIT

# run INDEX: appends "SECONDS PEAK_KIB" of one fresh run to its list.
run() {
  /usr/bin/time -o "$scratch/time" -f '%e %M' bash -c "${commands[$1]}" \
    >/dev/null 2>&1 || true
  # GNU time puts "Command exited with non-zero status N" before the
  # figures of a command that fails: the figures are the last line.
  tail -n 1 "$scratch/time" >>"$scratch/runs.$1"
  echo >>"$scratch/order.$1"
}

count=${#commands[@]}
for ((round = 0; round < pairs; ++round)); do
  if ((round % 2 == 0)); then
    for ((i = 0; i < count; ++i)); do run "$i"; done
  else
    for ((i = count - 1; i >= 0; --i)); do run "$i"; done
  fi
done

summary() {
  sort -g | awk '{ v[NR] = $1 } END {
    m = (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
    printf "%.2f (%.2f-%.2f)", m, v[1], v[NR] }'
}
median() {
  sort -g | awk '{ v[NR] = $1 } END {
    printf "%.3g", (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}
printf 'first: %s\n\n' "${commands[0]}"
printf '| baseline | time first/baseline | peak first/baseline | baseline s | baseline MiB | first s | first MiB |\n'
printf '|---|---|---|---|---|---|---|\n'
for ((i = 1; i < count; ++i)); do
  paste -d' ' "$scratch/runs.0" "$scratch/runs.$i" >"$scratch/pair"
  printf '| `%s` | %s | %s | %s | %s | %s | %s |\n' "${commands[$i]}" \
    "$(awk '{ printf "%.4f\n", $1 / ($3 > 0 ? $3 : 0.01) }' "$scratch/pair" | summary)" \
    "$(awk '{ printf "%.4f\n", $2 / $4 }' "$scratch/pair" | summary)" \
    "$(awk '{ print $3 }' "$scratch/pair" | median)" \
    "$(awk '{ print $4 / 1024 }' "$scratch/pair" | median)" \
    "$(awk '{ print $1 }' "$scratch/pair" | median)" \
    "$(awk '{ print $2 / 1024 }' "$scratch/pair" | median)"
done
