#!/bin/bash
# dsrtool.exe under Wine against the Linux dsrtool, byte for byte:
#
#   dsrtool_same_bytes.sh PREFIX DSRTOOL_EXE HOST_DSRTOOL SOURCE WORK
#
# Each tool runs in a folder of its own below WORK (windows/, linux/) on
# copies of SOURCE/examples/studio-series.dsr and .json and of a variant of
# the series with one medium renamed: dump to a pipe and to a file, build to
# a file and to standard output, and merge of the variant into the example.
# Every output, and the merged file, must be the same on both sides, and no
# CR LF may reach the Windows tool's standard output.
set -euo pipefail

prefix="$1" exe="$2" host="$3" source="$4" work="$5"
run="$source/cmake/wine/run.sh"
if [ ! -x "$host" ]; then
  echo "FAIL: the Linux dsrtool $host is missing: build the default preset" \
    "first (cmake --preset default && cmake --build --preset default" \
    "--target dsrtool)" >&2
  exit 1
fi

rm -rf -- "$work"
mkdir -p -- "$work/linux" "$work/windows"
for side in linux windows; do
  cp -- "$source/examples/studio-series.dsr" "$source/examples/studio-series.json" \
    "$work/$side/"
  # Renamed, the medium no longer matches the installed one: the merge
  # keeps the installed medium and appends the new one.
  sed 's/"Canvas matte"/"Canvas satin"/' "$source/examples/studio-series.json" \
    >"$work/$side/variant.json"
done

dsrtool() {
  if [ "$side" = linux ]; then
    "$host" "$@"
  else
    "$run" "$prefix" "$exe" "$@"
  fi
}

failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}
# Runs `dsrtool ARGUMENT...` on this side and fails when it exits non-zero.
step() {
  local status=0
  dsrtool "$@" || status=$?
  [ "$status" = 0 ] || fail "$side: dsrtool $* exited with $status"
}

for side in linux windows; do
  cd -- "$work/$side"
  dsrtool dump studio-series.dsr | cat >dump-pipe.json ||
    fail "$side: dsrtool dump studio-series.dsr into a pipe failed"
  step dump studio-series.dsr >dump-file.json
  step build studio-series.json built.dsr
  step build variant.json - >variant.dsr
  cp -- studio-series.dsr installed.dsr
  step merge installed.dsr variant.dsr >merge.txt
done

cd -- "$work"
for output in dump-pipe.json dump-file.json built.dsr variant.dsr \
  installed.dsr merge.txt; do
  [ -s "linux/$output" ] || fail "linux/$output is empty"
  cmp -- "linux/$output" "windows/$output" >&2 ||
    fail "windows/$output is not linux/$output"
done
for output in dump-pipe.json dump-file.json merge.txt; do
  if grep -q $'\r' "windows/$output"; then
    fail "CR in the standard output of dsrtool.exe (windows/$output)"
  fi
done

[ "$failures" = 0 ] || exit 1
echo "PASS: dsrtool.exe and $host wrote the same bytes"
