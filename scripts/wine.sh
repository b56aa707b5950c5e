#!/bin/sh
# Runs a Windows program under Wine: the emulator of the cross-built tests
# (CMAKE_CROSSCOMPILING_EMULATOR "<this script>;64" or "<this script>;32").
# usage: scripts/wine.sh 64|32 program.exe [arguments...]
# Wine's own messages stay off unless WINEDEBUG says otherwise, and so do its
# desktop menu entries and Mono and Gecko set-up unless WINEDLLOVERRIDES says
# otherwise. WINEPREFIX is the caller's (default ~/.wine); its first use takes
# some seconds.
set -eu
case ${1:-} in
  64) loader=/usr/lib/wine/wine64 ;;  # Debian's wine64
  32) loader=/usr/lib/wine/wine ;;    # Debian's wine32 (i386)
  *) echo "usage: wine.sh 64|32 program.exe [arguments...]" >&2; exit 2 ;;
esac
shift
WINEDEBUG=${WINEDEBUG:--all}
WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-winemenubuilder.exe,mscoree,mshtml=d}
export WINEDEBUG WINEDLLOVERRIDES
exec "$loader" "$@"
