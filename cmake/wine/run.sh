#!/bin/sh
# Runs a Windows program under Wine in the test prefix:
#
#   run.sh PREFIX PROGRAM.exe [ARGUMENT...]
#
# Wine's own diagnostics are off; the program's exit code is passed on (cut
# to 8 bits, as every exit code on this side).
prefix="$1"
shift
export WINEPREFIX="$prefix"
export WINEDEBUG=-all
# A UTF-8 locale on this side, whatever the caller's: Wine names the files it
# creates on Linux in the locale's character set, and in the C locale a
# name beyond ASCII cannot be created at all.
export LC_ALL=C.UTF-8
# The 64-bit loader: Debian's wine script takes the 32-bit one whenever
# wine32 is installed, and a kernel without 32-bit support cannot start it.
# The 64-bit loader starts 32-bit programs through the 32-bit one itself.
export WINELOADER=/usr/lib/wine/wine64
export WINEDLLOVERRIDES="mscoree,mshtml="
exec "$WINELOADER" "$@"
