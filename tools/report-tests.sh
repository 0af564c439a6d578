#!/usr/bin/env bash
# Tests of the report application's scripts: its logic under Node's own test runner, its texts,
# and the checks that its scripts and style sheet use only what Internet Explorer 11's engine
# (the one mshta runs the report in) has: plain ES5, its browser interfaces, its CSS. Installs
# the test packages (tests/report/package-lock.json) once; offline afterwards.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
folder=$here/../tests/report

if ! command -v node >/dev/null || ! command -v npm >/dev/null; then
    if [ "$(id -u)" -ne 0 ]; then
        echo "node and npm are missing (run as root, or install them)" >&2
        exit 1
    fi
    echo "installing: nodejs npm"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends nodejs npm >/dev/null
fi

cd "$folder"
# Install when a package is missing or the lock file has changed since the last install. A
# node_modules that links to another checkout's is left alone: npm ci would empty the folder
# it points to (a fresh checkout's lock file is always newer than that install).
if ! node -e "for (const name of ['@xmldom/xmldom', 'acorn', 'acorn-walk', 'doiuse', 'eslint', 'eslint-plugin-compat', 'postcss']) require.resolve(name)" 2>/dev/null \
    || { [ ! -L node_modules ] && [ package-lock.json -nt node_modules/.package-lock.json ]; }; then
    if [ -L node_modules ]; then
        echo "node_modules links to another checkout and lacks a package: install there, or remove the link" >&2
        exit 1
    fi
    npm ci --no-audit --no-fund --loglevel=error
fi
node --test logic.test.js app.test.js texts.test.js es5.test.js css.test.js help.test.js
