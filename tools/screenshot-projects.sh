#!/usr/bin/env bash
# Screenshots of the Projects page and of its project and filter editors (adding and editing),
# in English and in Russian, with a realistic projects file, under Xvfb in Wine's virtual
# desktop. Needs the program folder of a Windows build (`make windows`).
# Usage: screenshot-projects.sh [PROGRAM_FOLDER]   (default build/dist)
# Writes build/screenshots/projects-<language>-<view>.png.
set -u
here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/.." && pwd)
dist=$(cd "${1:-$top/build/dist}" && pwd)
out=$top/build/screenshots
mkdir -p "$out"
export WINEPREFIX=${OSTRAK_SCREENSHOT_WINEPREFIX:-$top/build/wineprefix-screenshots} WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree=;mshtml=" WINEARCH=win64
command -v import >/dev/null || { echo "ImageMagick's import is missing (apt-get install imagemagick)"; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
x86_64-w64-mingw32-g++ -std=c++17 -O1 -static -I"$top" -o "$work/show_projects.exe" "$here/show_projects.cpp" -luser32 ||
    exit 1

# Several projects, one with a long name, and filters of both kinds, one of a long text; the
# second filter is of the second kind (the helper edits it).
english_projects() {
    cat <<'XML'
<?xml version="1.0" encoding="windows-1251"?>
<List>
   <Project id="2">Website redesign</Project>
   <Project id="3">Quarterly report</Project>
   <Project id="5">Customer support</Project>
   <Project id="6">Ostrak</Project>
   <Project id="7">Internal tools and automation scripts</Project>
   <Filter project="2" where="0">Figma</Filter>
   <Filter project="2" where="1">index.html</Filter>
   <Filter project="3" where="1">Q3 report draft (final).xlsx</Filter>
   <Filter project="5" where="0">Outlook</Filter>
   <Filter project="5" where="1">Ticket</Filter>
   <Filter project="6" where="0">Visual Studio Code</Filter>
   <Filter project="7" where="1">deploy_pipeline_configuration.yml</Filter>
</List>
XML
}

russian_projects() {
    cat <<'XML'
<?xml version="1.0" encoding="windows-1251"?>
<List>
   <Project id="2">Редизайн сайта</Project>
   <Project id="3">Квартальный отчёт</Project>
   <Project id="5">Поддержка клиентов</Project>
   <Project id="6">Ostrak</Project>
   <Project id="7">Внутренние инструменты и скрипты автоматизации</Project>
   <Filter project="2" where="0">Figma</Filter>
   <Filter project="2" where="1">index.html</Filter>
   <Filter project="3" where="1">Черновик отчёта за III квартал.xlsx</Filter>
   <Filter project="5" where="0">Outlook</Filter>
   <Filter project="5" where="1">Заявка</Filter>
   <Filter project="6" where="0">Visual Studio Code</Filter>
   <Filter project="7" where="1">deploy_pipeline_configuration.yml</Filter>
</List>
XML
}

shoot() {  # language, LANG value
    local language=$1 locale=$2
    local folder=$work/program-$language
    mkdir -p "$folder"
    cp -rf "$dist"/. "$folder"/
    rm -f "$folder"/*Projects.xml
    if [ "$language" = Russian ]; then
        russian_projects | iconv -f UTF-8 -t CP1251 > "$folder/Projects.xml"
    else
        english_projects > "$folder/Projects.xml"
    fi
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
log=$out/.projects-$language
timeout 120 /usr/lib/wine/wine64 "$helper" "$dos_folder" 3000 > "$log" 2>/dev/null &
for view in page project-add project-edit filter-add filter-add-projects filter-edit; do
    for wait in $(seq 1 150); do grep -q "shot $view[[:space:]]*$" "$log" 2>/dev/null && break; sleep 0.2; done
    if ! grep -q "shot $view[[:space:]]*$" "$log"; then echo "no view $view in $language"; break; fi
    sleep 1.2
    import -window root -crop 900x560+0+0 "$out/projects-$language-$view.png"
done
wait
timeout 30 /usr/lib/wine/wineserver -k >/dev/null 2>&1
rm -f "$log"
INNER
)
    local helper="Z:$(echo "$work/show_projects.exe" | tr / '\\')"
    LANG=$locale LC_ALL=$locale timeout 300 xvfb-run -a -s "-screen 0 1024x768x24" bash -c "$inner" bash "$language" "$folder" "$out" "$helper"
}

shoot English C
shoot Russian ru_RU.UTF-8
ls -1 "$out"/projects-*.png
