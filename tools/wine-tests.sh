#!/usr/bin/env bash
# Runs the Windows test tier: one Xvfb display, one private Wine prefix, CTest through the
# Wine emulator, and the Wine server stopped at the end whatever happens.
# Usage: wine-tests.sh BUILD_DIR [ctest args ...]
set -u
here=$(cd "$(dirname "$0")" && pwd)
build=$1; shift
export OSTRAK_WINEPREFIX=${OSTRAK_WINEPREFIX:-$here/../build/wineprefix}
export WINEPREFIX=$OSTRAK_WINEPREFIX WINEDEBUG=-all WINEDLLOVERRIDES="mscoree=;mshtml=" WINEARCH=win64

stop_wine() { timeout 30 /usr/lib/wine/wineserver -k >/dev/null 2>&1 || true; }
trap stop_wine EXIT

inner=$(cat <<'INNER'
set -u
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "preparing the Wine prefix in $WINEPREFIX"
    timeout 180 /usr/lib/wine/wine64 wineboot -i >/dev/null 2>&1
    timeout 60 /usr/lib/wine/wineserver -w
fi
ctest --test-dir "$0" --output-on-failure "$@"
status=$?
timeout 30 /usr/lib/wine/wineserver -k >/dev/null 2>&1
exit $status
INNER
)
timeout --kill-after=30 3000 xvfb-run -a -s "-screen 0 1280x1024x24" bash -c "$inner" "$build" "$@"
