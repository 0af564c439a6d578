#!/usr/bin/env bash
# Screenshots of the options dialog with each page selected, in English and in Russian, under
# Xvfb in Wine's virtual desktop (which draws real window frames). Needs `make windows`.
# Writes build/screenshots/options-<language>-<page>.png. OSTRAK_DIST and OSTRAK_WIN_BUILD
# name another program folder and Windows build.
set -u
here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/.." && pwd)
out=$top/build/screenshots
dist=${OSTRAK_DIST:-$top/build/dist}
winbuild=${OSTRAK_WIN_BUILD:-$top/build/win}
mkdir -p "$out"
export WINEPREFIX=${OSTRAK_SCREENSHOT_WINEPREFIX:-$top/build/wineprefix-screenshots} WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree=;mshtml=" WINEARCH=win64
command -v import >/dev/null || { echo "ImageMagick's import is missing (apt-get install imagemagick)"; exit 1; }

shoot() {  # language, LANG value
    local language=$1 locale=$2
    local folder=$top/build/screenshot-run-$language
    rm -rf "$folder"; mkdir -p "$folder"
    cp -rf "$dist"/. "$folder"/
    local inner
    inner=$(cat <<'INNER'
set -u
language=$1; folder=$2; out=$3; helper=$4
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    timeout 180 /usr/lib/wine/wine64 wineboot -i >/dev/null 2>&1; timeout 60 /usr/lib/wine/wineserver -w
fi
timeout 30 /usr/lib/wine/wine64 reg add 'HKCU\Software\Ostrak\Options' /v Lang /t REG_SZ /d "$language" /f >/dev/null 2>&1
# Every program of this prefix runs in one virtual desktop, which draws real window frames.
timeout 30 /usr/lib/wine/wine64 reg add 'HKCU\Software\Wine\Explorer' /v Desktop /t REG_SZ /d shot /f >/dev/null 2>&1
timeout 30 /usr/lib/wine/wine64 reg add 'HKCU\Software\Wine\Explorer\Desktops' /v shot /t REG_SZ /d 900x560 /f >/dev/null 2>&1
dos_folder="Z:$(echo "$folder" | tr / '\\')"
timeout 90 /usr/lib/wine/wine64 "$helper" "$dos_folder" 4000 > "$out/.pages-$language" 2>/dev/null &
for page in 0 1 2; do
    for wait in $(seq 1 100); do grep -q "page $page" "$out/.pages-$language" 2>/dev/null && break; sleep 0.2; done
    sleep 2.5
    import -window root -crop 900x560+0+0 "$out/options-$language-$page.png"
done
for wait in $(seq 1 100); do grep -q "tray" "$out/.pages-$language" 2>/dev/null && break; sleep 0.2; done
sleep 2.5
import -window root -crop 900x560+0+0 "$out/tray-$language.png"
wait
timeout 30 /usr/lib/wine/wineserver -k >/dev/null 2>&1
rm -f "$out/.pages-$language"
INNER
)
    helper="Z:$(echo "$winbuild/tests/e2e/ostrak_show_options.exe" | tr / '\\')"
    LANG=$locale LC_ALL=$locale timeout 300 xvfb-run -a -s "-screen 0 1024x768x24" bash -c "$inner" bash "$language" "$folder" "$out" "$helper"
    rm -rf "$folder"
}

shoot English C
shoot Russian ru_RU.UTF-8
ls -1 "$out"/options-*.png "$out"/tray-*.png
