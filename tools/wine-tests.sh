#!/usr/bin/env bash
# Runs the Windows test tier through the Wine emulator: CTest in an Xvfb display and a private
# Wine prefix, and the Wine server stopped at the end whatever happens.
# Usage: wine-tests.sh BUILD_DIR [ctest args ...]
# Without ctest args the two ANSI code pages run side by side, each in a display and a prefix of
# its own: the tests mostly wait on timers and windows, so two lanes nearly halve the tier, and
# neither lane can take the other's foreground window or registry.
set -u
here=$(cd "$(dirname "$0")" && pwd)
build=$1; shift
prefix=${OSTRAK_WINEPREFIX:-$here/../build/wineprefix}
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree=;mshtml=" WINEARCH=win64

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

# One lane: PREFIX, first display number to try, then the ctest args.
lane() {
    local lanePrefix=$1 display=$2; shift 2
    WINEPREFIX=$lanePrefix OSTRAK_WINEPREFIX=$lanePrefix \
        timeout --kill-after=30 3000 xvfb-run -a -n "$display" -s "-screen 0 1280x1024x24" \
        bash -c "$inner" "$build" "$@"
    local status=$?
    WINEPREFIX=$lanePrefix timeout 30 /usr/lib/wine/wineserver -k >/dev/null 2>&1
    return $status
}

if [ $# -gt 0 ]; then
    lane "$prefix" 99 "$@"
    exit $?
fi

logs=$(mktemp -d)
trap 'rm -rf "$logs"' EXIT
lane "$prefix" 99 -R cp1251 > "$logs/cp1251.log" 2>&1 &
first=$!
lane "$prefix-1252" 149 -R cp1252 > "$logs/cp1252.log" 2>&1 &
second=$!
wait $first; firstStatus=$?
wait $second; secondStatus=$?
echo "=== Windows tests under code page 1251 (exit $firstStatus)"
cat "$logs/cp1251.log"
echo "=== Windows tests under code page 1252 (exit $secondStatus)"
cat "$logs/cp1252.log"
[ $firstStatus -eq 0 ] && [ $secondStatus -eq 0 ]
