#!/usr/bin/env bash
# Starts Ostrak from a run folder of its own (so its data files never land in build/dist).
# With a display it runs interactively; without one it runs a short scripted session: a
# driver puts a few titled windows in front in turn, ends the tracker with its Exit command,
# and prints the time log and its path.
set -u
here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/.." && pwd)
run_folder=$top/build/run
export WINEPREFIX=${OSTRAK_WINEPREFIX:-$top/build/wineprefix} WINEDEBUG=-all WINEDLLOVERRIDES="mscoree=;mshtml=" WINEARCH=win64

mkdir -p "$run_folder"
cp -rf "$top"/build/dist/. "$run_folder"/

prepare_prefix() {
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        echo "preparing the Wine prefix in $WINEPREFIX"
        timeout 180 /usr/lib/wine/wine64 wineboot -i >/dev/null 2>&1
        timeout 60 /usr/lib/wine/wineserver -w
    fi
}

if [ -n "${DISPLAY:-}" ]; then
    prepare_prefix
    echo "Ostrak is running from $run_folder (its options dialog is open; Exit ends it)."
    /usr/lib/wine/wine64 "$run_folder/Ostrak.exe"
    /usr/lib/wine/wineserver -w
    exit 0
fi

demo=$top/build/win/tests/e2e/ostrak_demo_session.exe
inner=$(cat <<'INNER'
set -u
prepare_prefix() {
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        echo "preparing the Wine prefix in $WINEPREFIX"
        timeout 180 /usr/lib/wine/wine64 wineboot -i >/dev/null 2>&1
        timeout 60 /usr/lib/wine/wineserver -w
    fi
}
prepare_prefix
timeout 120 /usr/lib/wine/wine64 "$0" "Z:$(echo "$1" | tr / '\\')"
status=$?
timeout 30 /usr/lib/wine/wineserver -k >/dev/null 2>&1
exit $status
INNER
)
echo "No display: running a short scripted session under Xvfb."
timeout --kill-after=30 600 xvfb-run -a -s "-screen 0 1280x1024x24" bash -c "$inner" "$demo" "$run_folder"
