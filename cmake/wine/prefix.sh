#!/bin/sh
# The throw-away Wine prefix of a CTest run:
#
#   prefix.sh start PREFIX   a new prefix (an old one is removed first) and
#                            a persistent wineserver for it
#   prefix.sh stop PREFIX    ends its wineserver and removes it
set -eu
action="$1"
export WINEPREFIX="$2"
export WINEDEBUG=-all
# A UTF-8 locale on this side, whatever the caller's: Wine names the files it
# creates on Linux in the locale's character set, and in the C locale a
# name beyond ASCII cannot be created at all.
export LC_ALL=C.UTF-8
# The 64-bit loader: Debian's wine script takes the 32-bit one whenever
# wine32 is installed, and a kernel without 32-bit support cannot start it.
# The 64-bit loader starts 32-bit programs through the 32-bit one itself.
export WINELOADER=/usr/lib/wine/wine64
# No .NET or Gecko installers: nothing here needs them, and they would ask.
export WINEDLLOVERRIDES="mscoree,mshtml="
case "$action" in
  start)
    wineserver -k 2>/dev/null || true
    rm -rf -- "$WINEPREFIX"
    mkdir -p -- "$WINEPREFIX"
    # A server that stays until it is killed, so that every program of the
    # run finds it up; its output goes nowhere, else CTest would wait for
    # the pipes it holds.
    wineserver -p >/dev/null 2>&1 </dev/null
    "$WINELOADER" wineboot -i >/dev/null 2>&1 </dev/null
    ;;
  stop)
    wineserver -k 2>/dev/null || true
    rm -rf -- "$WINEPREFIX"
    ;;
  *)
    echo "usage: $0 start|stop PREFIX" >&2
    exit 2
    ;;
esac
