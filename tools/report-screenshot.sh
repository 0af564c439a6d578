#!/usr/bin/env bash
# The report as rendered in headless Chromium from a sample log: checks what it shows and how
# it reacts to clicks, and writes screenshots to build/report-screenshots/ (or to the folder
# given as the first argument). Installs Chromium and its driver when they are missing.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/.." && pwd)
export SCREENSHOT_DIR=$(mkdir -p "${1:-$top/build/report-screenshots}" && cd "${1:-$top/build/report-screenshots}" && pwd)

missing=()
for package in chromium chromium-driver fonts-dejavu-core; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$package")
    fi
done
if [ ${#missing[@]} -gt 0 ]; then
    if [ "$(id -u)" -ne 0 ]; then
        echo "missing packages: ${missing[*]} (run as root, or install them)" >&2
        exit 1
    fi
    echo "installing: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# The Node packages and the fast tests first: no point drawing a report whose logic fails.
"$here/report-tests.sh"
cd "$top/tests/report"
node --test render.browser.js
echo "screenshots in $SCREENSHOT_DIR:"
ls -1 "$SCREENSHOT_DIR"
