#!/usr/bin/env bash
# Screenshots of what a user sees, in English and in Russian, with realistic patterns, projects
# and private patterns (tools/screenshot-data/): each page of the options dialog, the program,
# project, filter and private pattern editors, the window picker, the page selector with the
# keyboard's focus, the tray menu, and the tray icon after a failed save;
# then each cause the tray shows (its icon with its balloon, tray-<cause>, and with its tip,
# tray-<cause>-tip), the offer of new shipped patterns (tray-patterns-offer), and the tray's
# icons enlarged side by side, tray-icons.png. The tray menu's Pause submenu (tray-pause), the
# menu while paused (paused-menu) and the paused icon with its tip (paused-tip, tray-paused,
# tray-paused-tip) are among them. Then, with the screen at 144 DPI (150 %), the options dialog's
# pages once more, <language>-dpi144-options-<page>.png, and the paused icon with its tip as the
# tray asks for it there (24 pixels), English-dpi144-tray-paused*.png.
# Runs under Xvfb in Wine's virtual desktop, which draws real window frames. Needs `make
# windows`; OSTRAK_DIST and OSTRAK_WIN_BUILD name another program folder and Windows build.
# Writes build/screenshots/<language>-<view>.png, and for the views options-<page> also
# <language>-options-<page>-window.png with the options window alone (the README's pictures).
set -u
here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/.." && pwd)
out=$top/build/screenshots
dist=${OSTRAK_DIST:-$top/build/dist}
winbuild=${OSTRAK_WIN_BUILD:-$top/build/win}
session=$winbuild/tests/e2e/ostrak_screenshot_session.exe
views="general applications program-add program-edit program-picker projects project-add project-edit filter-add filter-edit privacy private-add options-general options-applications options-projects options-privacy options-selector-focus tray tray-pause save-failed save-failed-tip paused-menu paused-tip"
page_views="options-general options-applications options-projects options-privacy"
causes=$winbuild/tests/e2e/ostrak_tray_causes.exe
cause_views="tray-paused tray-paused-tip"
for cause in not-recording other-writer log-held log-not-saved side-file timeline private-list shared-copy-kept shared-copy-not-written; do
    cause_views="$cause_views tray-$cause tray-$cause-tip"
done
cause_views="$cause_views tray-patterns-offer"
mkdir -p "$out"
export WINEPREFIX=${OSTRAK_SCREENSHOT_WINEPREFIX:-$top/build/wineprefix-screenshots} WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree=;mshtml=" WINEARCH=win64
command -v import >/dev/null || { echo "ImageMagick's import is missing (apt-get install imagemagick)"; exit 1; }
[ -f "$session" ] && [ -f "$causes" ] || { echo "no $session or $causes: run make windows first"; exit 1; }

# Wine draws the caption buttons with the Marlett font, which only Wine's fonts package
# brings; without it they read "0 1 r". Its Marlett goes into this prefix alone, so that the
# test prefixes keep the fonts they have always had.
fonts=$top/build/fonts-wine
marlett=$fonts/usr/share/wine/fonts/marlett.ttf
if [ ! -f "$marlett" ]; then
    mkdir -p "$fonts"
    ( cd "$fonts" && { apt-get download fonts-wine >/dev/null 2>&1 || { apt-get update -qq && apt-get download fonts-wine >/dev/null 2>&1; }; } \
        && dpkg-deb -x fonts-wine_*.deb . ) || { echo "cannot get Wine's fonts package, fonts-wine"; exit 1; }
fi

# Language, LANG value, screen DPI, the tray causes' views; at another DPI than 96 only the options
# dialog's pages and the causes' views given, named <language>-dpi<DPI>-<view>.png, on a larger desktop.
shoot() {
    local language=$1 locale=$2 dpi=${3:-96} causes_views=${4-$cause_views}
    local folder=$top/build/screenshot-run-$language
    rm -rf "$folder"; mkdir -p "$folder"
    cp -rf "$dist"/. "$folder"/
    cp "$here/screenshot-data/Programs.$language.xml" "$folder/Programs.xml"
    cp "$here/screenshot-data/Projects.$language.xml" "$folder/Projects.xml"
    cp "$here/screenshot-data/Private.$language.xml" "$folder/Private.xml"
    local inner
    inner=$(cat <<'INNER'
set -u
language=$1; folder=$2; out=$3; session=$4; views=$5; marlett=$6; causes=$7; cause_views=$8; dpi=$9; page_views=${10}
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    timeout 180 /usr/lib/wine/wine64 wineboot -i >/dev/null 2>&1; timeout 60 /usr/lib/wine/wineserver -w
fi
cp -f "$marlett" "$WINEPREFIX/drive_c/windows/Fonts/"
timeout 30 /usr/lib/wine/wine64 reg add 'HKCU\Software\Ostrak\Options' /v Lang /t REG_SZ /d "$language" /f >/dev/null 2>&1
timeout 30 /usr/lib/wine/wine64 reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
# Every program of this prefix runs in one virtual desktop, which draws real window frames.
timeout 30 /usr/lib/wine/wine64 reg add 'HKCU\Software\Wine\Explorer' /v Desktop /t REG_SZ /d shot /f >/dev/null 2>&1
# The screen's scale; set every time, since the prefix is kept between runs.
timeout 30 /usr/lib/wine/wine64 reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
size=900x600; prefix=$language; mode=all
if [ "$dpi" != 96 ]; then size=1200x800; prefix=$language-dpi$dpi; mode=pages; fi
timeout 30 /usr/lib/wine/wine64 reg add 'HKCU\Software\Wine\Explorer\Desktops' /v shot /t REG_SZ /d "$size" /f >/dev/null 2>&1
# The desktop and the screen's scale are taken when the server starts: the reg commands above
# started it with the last run's, so it starts anew with these.
timeout 30 /usr/lib/wine/wineserver -k >/dev/null 2>&1; timeout 30 /usr/lib/wine/wineserver -w >/dev/null 2>&1
dos() { echo "Z:$(echo "$1" | tr / '\\')"; }
marks=$out/.shots-$prefix
# One session program and the views it announces, photographed as they come.
photograph() {
local session=$1 views=$2 extra=${3:-}
[ -n "$views" ] || return 0
rm -f "$marks"
# shellcheck disable=SC2086
timeout 240 /usr/lib/wine/wine64 "$(dos "$session")" "$(dos "$folder")" 3000 $extra > "$marks" 2>/dev/null &
for view in $views; do
    line="^shot $view\( at [0-9x+]*\)\?[[:space:]]*$"
    for wait in $(seq 1 150); do grep -q "$line" "$marks" 2>/dev/null && break; sleep 0.2; done
    if ! grep -q "$line" "$marks"; then echo "no view $view in $prefix"; break; fi
    sleep 1.5
    import -window root -crop "$size+0+0" "$out/$prefix-$view.png"
    # The options window alone, for the README.
    place=$(sed -n "s/^shot $view at \([0-9x+]*\).*/\1/p" "$marks")
    [ -n "$place" ] && convert "$out/$prefix-$view.png" -crop "$place" +repage "$out/$prefix-$view-window.png"
done
wait
}
if [ "$mode" = pages ]; then
    photograph "$session" "$page_views" pages
    photograph "$causes" "$cause_views"
else
    photograph "$session" "$views"
    photograph "$causes" "$cause_views"
fi
timeout 30 /usr/lib/wine/wineserver -k >/dev/null 2>&1
rm -f "$marks"
INNER
)
    LANG=$locale LC_ALL=$locale timeout 400 xvfb-run -a -s "-screen 0 1280x1024x24" \
        bash -c "$inner" bash "$language" "$folder" "$out" "$session" "$views" "$marlett" "$causes" "$causes_views" \
        "$dpi" "$page_views"
    rm -rf "$folder"
}

shoot English C
shoot Russian ru_RU.UTF-8
# At 144 DPI the tray asks for the paused icon at 24 pixels.
shoot English C 144 "tray-paused tray-paused-tip"
shoot Russian ru_RU.UTF-8 144 ""

# The program icon and the tray's, 16 and 32 pixels, each enlarged to 128 without smoothing.
icons=""
for name in ostrak tray-not-recording tray-other-writer tray-log-held tray-log-not-saved tray-side-file tray-timeline; do
    icons="$icons ( $top/resources/$name.ico[0] -scale 800% ( $top/resources/$name.ico[1] -scale 400% ) -append )"
done
# The paused icon also at 20 and 24 pixels (120 and 144 DPI), enlarged by whole pixels too.
paused=$top/resources/tray-paused.ico
icons="$icons ( $paused[0] -scale 800% ( $paused[1] -scale 640% ) ( $paused[2] -scale 500% ) ( $paused[3] -scale 400% ) -append )"
# shellcheck disable=SC2086
convert -background '#d4d0c8' $icons -splice 8x8 +append +repage -flatten "$out/tray-icons.png"
ls -1 "$out"/English-*.png "$out"/Russian-*.png "$out"/tray-icons.png
