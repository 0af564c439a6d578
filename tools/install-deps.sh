#!/usr/bin/env bash
# Installs what building and testing need, quickly and quietly when all is present.
# Usage: install-deps.sh [extra package ...]
set -euo pipefail

packages=(cmake make g++ python3 libgtest-dev googletest
          g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
          wine64 xvfb xauth clang libclang-rt-14-dev locales "$@")

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$package")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
    echo "missing packages: ${missing[*]} (run as root, or install them)" >&2
    exit 1
fi
echo "installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
