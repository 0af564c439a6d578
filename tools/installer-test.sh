#!/usr/bin/env bash
# Checks the per-user installer under Wine, in a private prefix: the silent install puts the
# program folder, the Start menu entry and the uninstall entry in place; the installed
# Ostrak.exe starts and tracks with the delivered patterns; the silent uninstaller ends a
# running copy through its Exit command, removes the program and its start with Windows and
# keeps the time log, the other data files and the settings; asked to, it removes those too.
# An install over a running copy ends it the same way.
# Usage: installer-test.sh SETUP_EXE PACKAGE_FOLDER SESSION_EXE
#   SETUP_EXE       the installer made by `make dist`
#   PACKAGE_FOLDER  the program folder it was made from (build/package/Ostrak)
#   SESSION_EXE     ostrak_demo_session.exe, the driver that runs the installed program (with --quick)
# The prefix is $OSTRAK_DIST_WINEPREFIX, /tmp/wp-dist when unset.
set -u
absolute() { echo "$(cd "$(dirname "$1")" && pwd)/$(basename "$1")"; }
setup=$(absolute "$1")
package=$(absolute "$2")
session=$(absolute "$3")
export WINEPREFIX=${OSTRAK_DIST_WINEPREFIX:-/tmp/wp-dist} WINEDEBUG=-all WINEARCH=win64
# No .NET or HTML engine offers, and no menu entries on the host for the Start menu shortcut.
export WINEDLLOVERRIDES="mscoree=;mshtml=;winemenubuilder.exe=d"
export SETUP=$setup PACKAGE=$package SESSION=$session

stop_wine() { timeout 30 /usr/lib/wine/wineserver -k >/dev/null 2>&1 || true; }
trap stop_wine EXIT

inner=$(cat <<'INNER'
set -u
wine=/usr/lib/wine/wine64
failures=0
pass() { echo "ok   - $*"; }
fail() { echo "FAIL - $*"; failures=$((failures + 1)); }
check() { local what=$1; shift; if "$@"; then pass "$what"; else fail "$what"; fi; }
run() { timeout 120 "$wine" "$@"; }
windows_variable() { run cmd /c echo "%$1%" 2>/dev/null | tr -d '\r'; }
unix_path() { run winepath -u "$1" 2>/dev/null | tr -d '\r'; }
# A key, a value of it, a value holding a text; Wine's reg prints its errors on stdout too.
registry_has() {
    local found
    found=$(run reg query "$1" ${2:+/v "$2"} 2>/dev/null) || return 1
    tr -d '\r' <<< "$found" | grep -qF -- "${3:-}"
}
registry_lacks() { ! registry_has "$@"; }

# Waits until the condition holds, for at most the given seconds.
wait_for() {
    local seconds=$1; shift
    local end=$((SECONDS + seconds))
    until "$@"; do
        [ $SECONDS -ge $end ] && return 1
        sleep 0.5
    done
}

if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "preparing the Wine prefix in $WINEPREFIX"
    timeout 180 "$wine" wineboot -i >/dev/null 2>&1
    timeout 60 /usr/lib/wine/wineserver -w
fi

local_data=$(windows_variable LOCALAPPDATA)
install_win="$local_data\\Programs\\Ostrak"
install=$(unix_path "$install_win")
shortcut="$(unix_path "$(windows_variable APPDATA)")/Microsoft/Windows/Start Menu/Programs/Ostrak.lnk"
uninstall_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Ostrak'
settings_key='HKCU\Software\Ostrak'
if [ -z "$local_data" ] || [ -z "$install" ]; then
    echo "FAIL - the prefix gave no local application data folder"
    exit 1
fi

# A clean start: no earlier installation, no settings.
rm -rf "$install" "$shortcut"
run reg delete "$uninstall_key" /f >/dev/null 2>&1
run reg delete "$settings_key" /f >/dev/null 2>&1

installed_files_match() {
    local file status=0
    while IFS= read -r file; do
        cmp -s "$PACKAGE/$file" "$install/$file" || { echo "     differs or missing: $file"; status=1; }
    done < <(cd "$PACKAGE" && find . -type f | sed 's|^\./||')
    return $status
}
program_files_gone() {
    local file
    while IFS= read -r file; do
        [ -e "$install/$file" ] && return 1
    done < <(cd "$PACKAGE" && find . -type f | sed 's|^\./||')
    [ ! -e "$install/Uninstall.exe" ] && [ ! -e "$install/report" ]
}

echo "# silent install"
start=$SECONDS
check "the installer ends with code 0" run "$SETUP" /S
check "every file of the program folder is installed unchanged in $install_win" installed_files_match
check "the uninstaller is beside the program" test -f "$install/Uninstall.exe"
check "nothing went under Program Files" test ! -e "$WINEPREFIX/drive_c/Program Files/Ostrak"
check "the Start menu has an Ostrak entry" test -f "$shortcut"
check "the uninstall entry is registered for the user" \
    registry_has "$uninstall_key" UninstallString "\"$install_win\\Uninstall.exe\""
check "the uninstall entry names the version" registry_has "$uninstall_key" DisplayVersion "$(basename "$SETUP" | sed 's/^Ostrak-\([0-9.]*\)-.*/\1/')"
if [[ ${LANG:-} == ru* ]]; then
    check "installed in Russian, the program starts in Russian" registry_has "$settings_key\\Options" Lang Russian
else
    check "installed in English, no language is chosen for the program" registry_lacks "$settings_key\\Options" Lang
fi
echo "  ($((SECONDS - start)) s)"

echo "# the installed program tracks"
start=$SECONDS
session_output=$(run "$SESSION" "$install_win" --quick 2>&1)
session_status=$?
echo "$session_output" | sed 's/^/     /'
check "the installed Ostrak.exe ran and ended through its Exit command" test $session_status -eq 0
logs=("$install"/*-Time.xml)
log=${logs[0]}
check "the time log is written in the program folder" test -f "$log"
check "the editor's stretch is split by the delivered patterns" \
    grep -qE '<App name="Notepad" time="[0-9]+">' "$log"
check "with the file as its document" grep -qE '<Doc name="notes.txt" time="[0-9]+"/>' "$log"
echo "  ($((SECONDS - start)) s)"

# Starts the installed program in the tray, in the background; `running` is its process.
start_program() {
    "$wine" "$install_win\\Ostrak.exe" -tray &
    running=$!
    sleep 2
}
ended() { ! kill -0 $running 2>/dev/null; }
# Checks that the program started by start_program has been ended through its Exit command.
check_program_ended() {
    if wait_for 15 ended; then
        pass "the running Ostrak has ended"
        wait $running
        check "through its own Exit command (exit code 1)" test $? -eq 1
    else
        fail "the running Ostrak has ended"
        kill $running 2>/dev/null
    fi
}

echo "# silent uninstall while the program runs"
start=$SECONDS
user=$(basename "$log" -Time.xml)
side_folder="$(unix_path "$local_data")/Ostrak"
mkdir -p "$side_folder"
# Side files of another user: the running program takes its own user's (to the log, the timeline).
other_data=("$install/$user-Programs.xml" "$install/$user-Private.xml" "$install/$user-Report-2026-12-07.csv"
            "$install/$user-Time.unreadable-20261207-0930.xml" "$install/$user-Projects.unreadable-20261207-0930.xml"
            "$install/$user-Private.unreadable-20261207-0930.xml"
            "$install/someone-Time.unsaved-20261207-093000.xml" "$install/$user-Time.DESKTOP-1.journal"
            "$install/someone-Timeline.waiting.tsv" "$side_folder/someone-Time.unsaved-20261207-093000.xml")
for file in "${other_data[@]}"; do echo "kept" > "$file"; done
run_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Run'
run reg add "$run_key" /v Ostrak /d "$install_win\\Ostrak.exe -tray" /f >/dev/null 2>&1
start_program
# The uninstaller copies itself away and returns at once; the copy does the work.
check "the uninstaller starts" run "$install_win\\Uninstall.exe" /S
check "it removes the program's files within 30 s" wait_for 30 program_files_gone
check_program_ended
check "the time log stays" test -f "$log"
check "and still holds the tracked stretch" grep -q '<Doc name="notes.txt"' "$log"
all_kept() { local file; for file in "${other_data[@]}"; do [ -f "$file" ] || return 1; done; }
check "the user's own list, exported table, set-aside files, side files and journal stay" all_kept
check "the start with Windows is gone" registry_lacks "$run_key" Ostrak
check "the Start menu entry is gone" test ! -e "$shortcut"
check "the uninstall entry is gone" registry_lacks "$uninstall_key"
check "the settings stay" registry_has "$settings_key\\Options"
echo "  ($((SECONDS - start)) s)"

echo "# silent uninstall that removes the data too"
start=$SECONDS
check "a second install over the kept log" run "$SETUP" /S
start_program
check "a third one while the program runs" run "$SETUP" /S
check_program_ended
check "keeps the log" test -f "$log"
check "the uninstaller asked to remove the data starts" run "$install_win\\Uninstall.exe" /S /DELETEDATA
folder_gone() { [ ! -e "$install" ]; }
check "it removes the whole program folder within 30 s" wait_for 30 folder_gone
check "and the side files' folder in the local application data" test ! -e "$side_folder"
check "and the settings" registry_lacks "$settings_key"
echo "  ($((SECONDS - start)) s)"

timeout 30 /usr/lib/wine/wineserver -k >/dev/null 2>&1
if [ $failures -ne 0 ]; then
    echo "$failures check(s) failed"
    exit 1
fi
echo "all checks passed"
INNER
)
timeout --kill-after=30 600 xvfb-run -a -s "-screen 0 1024x768x24" bash -c "$inner"
