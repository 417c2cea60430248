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
#
# Then on a console (Wine gives a program one on a terminal, here script's
# pseudo-terminal), whose code page is 437: a listing and a message naming
# "Größe 日本" must arrive as those characters, which the tool writes as
# such, not as the code page's reading of their UTF-8 bytes.
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

cd -- "$work/windows"
sed 's/"Canvas matte"/"Canvas Größe 日本"/' studio-series.json >named.json
step build named.json named.dsr
# script runs a command line: each word quoted for the shell. What the
# program showed goes to console.txt, without script's own lines.
on_console() {
  script -qec "$(printf '%q ' "$run" "$prefix" "$exe" "$@")" typescript \
    </dev/null >/dev/null 2>&1 || true
  grep -v '^Script ' typescript >console.txt || true
}
on_console list named.dsr
grep -q '"Canvas Größe 日本"' console.txt ||
  fail "the listing on a console does not show \"Canvas Größe 日本\":" \
    "$(cat -v console.txt | head -c 300)"
on_console dump 'missing Größe 日本.dsr'
grep -q 'missing Größe 日本.dsr: cannot be read' console.txt ||
  fail "the message on a console does not show the file's name:" \
    "$(cat -v console.txt | head -c 300)"

[ "$failures" = 0 ] || exit 1
echo "PASS: dsrtool.exe and $host wrote the same bytes; a console shows" \
  "names beyond ASCII"
