#!/usr/bin/env bash
# Runs a Windows program under Wine in the project's private prefix, with a time limit,
# so that no test can hang the build. Used as CMake's cross-compiling emulator.
set -u
here=$(cd "$(dirname "$0")" && pwd)
export WINEPREFIX=${OSTRAK_WINEPREFIX:-$here/../build/wineprefix}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-"mscoree=;mshtml="}
export WINEARCH=win64
exec timeout --kill-after=10 "${OSTRAK_WINE_TIMEOUT:-600}" /usr/lib/wine/wine64 "$@"
