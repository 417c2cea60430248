#!/bin/bash
# One run of the Windows updater under Wine, end to end:
#
#   updater_end_to_end.sh 64bit|wow64 PREFIX UPDATER DEBUG_CAPTURE SOURCE WORK
#
# Makes an installation C:\Ostrivane-e2e-<kind>-Größe-日本\ in the Wine
# prefix (every folder but the Korean help folder), names it in the registry
# view the updater reads and a decoy installation in the other view, runs
# UPDATER under DEBUG_CAPTURE, and checks its exit code, the files it wrote
# (against the payloads in SOURCE/resources) and its debug output byte for
# byte: in the system's active code page, where the path's "ö" and "ß" have
# bytes of their own and "日本" becomes "??".
#
#   64bit  a 64-bit updater: not under WOW64, it reads the 32-bit view
#   wow64  a 32-bit updater: under WOW64 it reads the 64-bit view; skipped
#          (exit code 77) where this machine cannot start 32-bit programs
#
# The product's keys are removed again at the end. WORK holds the registry
# files, the captured output and the expected one.
set -euo pipefail

kind="$1" prefix="$2" updater="$3" capture="$4" source="$5" work="$6"
run="$source/cmake/wine/run.sh"
case "$kind" in
  64bit) product_view=32 decoy_view=64 ;;
  wow64) product_view=64 decoy_view=32 ;;
  *)
    echo "usage: $0 64bit|wow64 PREFIX UPDATER DEBUG_CAPTURE SOURCE WORK" >&2
    exit 2
    ;;
esac

if [ "$kind" = wow64 ]; then
  # Wine starts a 32-bit program with its 32-bit loader, from the i386
  # package wine32, which a kernel without 32-bit support cannot execute.
  loader32=/usr/lib/wine/wine
  if [ ! -e "$loader32" ]; then
    echo "SKIPPED: wine32 is not installed ($loader32 is missing), so the" \
      "32-bit updater cannot run here; scripts/setup.sh tries to install it" \
      "on every run (a package mirror with stale i386 lists refuses it)"
    exit 77
  fi
  if ! started="$("$loader32" --version 2>&1)"; then
    case "$started" in
      *"Exec format error"*)
        echo "SKIPPED: this kernel does not run 32-bit programs, so" \
          "$loader32 and the 32-bit updater cannot start: $started"
        exit 77
        ;;
    esac
    echo "FAIL: $loader32 (wine32) is installed but does not start: $started" >&2
    exit 1
  fi
fi
if [ ! -f "$updater" ]; then
  echo "FAIL: the updater $updater is missing (the 32-bit one is made by" \
    "the windows-i686 preset)" >&2
  exit 1
fi

# A path of this machine as Wine's drive Z: shows it.
windows_path() { printf 'Z:%s' "${1//\//\\}"; }

languages=(Japanese English Chinese_Simplified Chinese_Traditional French
  German Italian Korean Portuguese Spanish Russian Turkish Arabic)
missing=Korean
name="Ostrivane-e2e-$kind-Größe-日本"
root="C:\\$name\\"
decoy_root="C:\\$name-decoy\\"
folder="$prefix/drive_c/$name"
decoy_folder="$prefix/drive_c/$name-decoy"
page="$source/resources/ostrivane_index.html"
series="$source/resources/_TOVRA.dsr"

# The product's folder set below $1, without the help folder $2.
make_installation() {
  rm -rf -- "$1"
  mkdir -p -- "$1/Ostrivane/Device"
  for language in "${languages[@]}"; do
    [ "$language" = "${2:-}" ] || mkdir -p -- "$1/Ostrivane/Help/$language"
  done
}

# Registry file naming the installation $1: UTF-16 with its byte-order mark
# and CR LF, as regedit writes them.
registry_file() {
  printf '\xff\xfe'
  printf '%s\r\n' \
    'Windows Registry Editor Version 5.00' \
    '' \
    '[HKEY_LOCAL_MACHINE\Software\Vintrell\Ostrivane\Installer]' \
    '"CompanyName"="Vintrell"' \
    "\"InstallPath\"=\"${1//\\/\\\\}\"" \
    "\"UserName\"=\"$2\"" \
    '' \
    '[HKEY_LOCAL_MACHINE\Software\Vintrell\Ostrivane\User]' \
    '"InkConfig"="CMYK"' \
    '"Language"="English"' \
    '"Model"="Demo Printer"' | iconv -f UTF-8 -t UTF-16LE
}

remove_keys() {
  for view in 32 64; do
    "$run" "$prefix" reg delete 'HKLM\Software\Vintrell' /f "/reg:$view" \
      >/dev/null 2>&1 || true
  done
}

rm -rf -- "$work"
mkdir -p -- "$work"
cd -- "$work"
make_installation "$folder" "$missing"
make_installation "$decoy_folder"
printf 'an older, longer help page to be replaced' \
  >"$folder/Ostrivane/Help/French/ostrivane_index.html"

# The decoy goes in last: were the view ignored, it would be the one read.
registry_file "$root" e2e >product.reg
registry_file "$decoy_root" decoy >decoy.reg
remove_keys
trap remove_keys EXIT
"$run" "$prefix" reg import product.reg "/reg:$product_view" >/dev/null
"$run" "$prefix" reg import decoy.reg "/reg:$decoy_view" >/dev/null

# The code page the updater's debug lines are to arrive in.
acp="$("$run" "$prefix" reg query \
  'HKLM\System\CurrentControlSet\Control\Nls\CodePage' /v ACP |
  tr -d '\r' | awk '$1 == "ACP" { print $3 }')"
[ -n "$acp" ] || {
  echo "FAIL: the prefix's active code page cannot be read" >&2
  exit 1
}

status=0
"$run" "$prefix" "$capture" "$(windows_path "$work/debug.log")" \
  "$(windows_path "$updater")" || status=$?

# What the run must report: one line per help folder, the missing one
# refused, then the device-series file on a counter of its own.
line=0
for language in "${languages[@]}"; do
  line=$((line + 1))
  path="${root}Ostrivane\\Help\\$language\\ostrivane_index.html"
  if [ "$language" = "$missing" ]; then
    printf '[%02d] %s error: file cannot opened.\r\n' "$line" "$path"
  else
    printf '[%02d] %s ( %d Bytes ) successfly updated!\r\n' "$line" "$path" \
      "$(wc -c <"$page")"
  fi
done >expected.utf8
printf '[01] %s ( %d Bytes ) successfly updated!\r\n' \
  "${root}Ostrivane\\Device\\_TOVRA.dsr" "$(wc -c <"$series")" >>expected.utf8
# What the code page lacks is "?", as the system writes it.
if [ "$acp" = 65001 ]; then
  cp expected.utf8 expected.log
else
  iconv -f UTF-8 -t "CP$acp//TRANSLIT" expected.utf8 >expected.log
fi

# Every folder and file the installation must hold afterwards, and no more.
{
  printf '%s\n' . ./Ostrivane ./Ostrivane/Help ./Ostrivane/Device \
    ./Ostrivane/Device/_TOVRA.dsr
  for language in "${languages[@]}"; do
    [ "$language" = "$missing" ] ||
      printf '%s\n' "./Ostrivane/Help/$language" \
        "./Ostrivane/Help/$language/ostrivane_index.html"
  done
} | LC_ALL=C sort >expected.tree
(cd -- "$folder" && find .) | LC_ALL=C sort >written.tree

failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}
[ "$status" = 0 ] || fail "the updater exited with $status"
# Paths past MAX_PATH reach the updater's own file calls too.
grep -aq '<longPathAware [^>]*>true</longPathAware>' "$updater" ||
  fail "the updater's manifest does not declare long-path awareness"
# Wine's exit code alone does not show that the program ran.
[ -s debug.log ] || fail "the updater did not start: no debug output"
if ! cmp -s expected.log debug.log; then
  fail "debug output (debug.log) is not expected.log; ^M is CR:"
  diff <(cat -A expected.log) <(cat -A debug.log) >&2 || true
fi
if ! cmp -s expected.tree written.tree; then
  fail "the installation holds other files than expected.tree:"
  diff expected.tree written.tree >&2 || true
fi
for language in "${languages[@]}"; do
  file="$folder/Ostrivane/Help/$language/ostrivane_index.html"
  [ "$language" = "$missing" ] || cmp -s "$page" "$file" ||
    fail "$file is not $page"
done
cmp -s "$series" "$folder/Ostrivane/Device/_TOVRA.dsr" ||
  fail "$folder/Ostrivane/Device/_TOVRA.dsr is not $series"
written_to_decoy="$(find "$decoy_folder" -type f)"
[ -z "$written_to_decoy" ] ||
  fail "files written to the decoy installation: $written_to_decoy"

[ "$failures" = 0 ] || exit 1
echo "PASS: $name: the updater read the $product_view-bit registry view" \
  "and wrote what it reported"
