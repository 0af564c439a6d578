#!/usr/bin/env bash
# Packs the built program folder: a zip of it and the per-user installer.
# Usage: make-dist.sh PROGRAM_FOLDER OUTPUT_DIR VERSION
# What is packed is Ostrak.exe and every file under delivered/, taken from the built program
# folder; anything else there (a time log of a run from that folder, say) stays out. The zip,
# the installer and the folder they were made from (package/Ostrak) go into OUTPUT_DIR.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/.." && pwd)
dist=$(cd "$1" && pwd)
build=$(mkdir -p "$2" && cd "$2" && pwd)
version=$3

package=$build/package
stage=$package/Ostrak
zip_file=$build/Ostrak-$version-win64.zip
setup_file=$build/Ostrak-$version-win64-setup.exe

mapfile -t files < <(echo Ostrak.exe; cd "$top/delivered" && find . -type f | sed 's|^\./||' | LC_ALL=C sort)

missing=0
for file in "${files[@]}"; do
    if [ ! -f "$dist/$file" ]; then
        echo "make-dist: $dist/$file is missing" >&2
        missing=1
    elif [ "$file" != Ostrak.exe ] && ! cmp -s "$top/delivered/$file" "$dist/$file"; then
        echo "make-dist: $dist/$file differs from delivered/$file (build again)" >&2
        missing=1
    fi
done
[ $missing -eq 0 ] || exit 1

rm -rf "$package"
mkdir -p "$stage"
for file in "${files[@]}"; do
    mkdir -p "$stage/$(dirname "$file")"
    cp -p "$dist/$file" "$stage/$file"
done

# The uninstaller removes exactly these files and then the folders that are left empty, so
# that whatever else the user keeps in the program folder survives.
{
    for file in "${files[@]}"; do
        printf 'Delete "$INSTDIR\\%s"\n' "${file//\//\\}"
    done
    (cd "$stage" && find . -mindepth 1 -type d | sed 's|^\./||' | LC_ALL=C sort -r) | while read -r folder; do
        printf 'RMDir "$INSTDIR\\%s"\n' "${folder//\//\\}"
    done
} > "$package/uninstall-files.nsh"

rm -f "$zip_file"
(cd "$package" && TZ=UTC zip -q -X -r "$zip_file" Ostrak)
echo "made $zip_file"

makensis -V2 -INPUTCHARSET UTF8 -DVERSION="$version" -DSTAGE="$stage" \
    -DUNINSTALL_LIST="$package/uninstall-files.nsh" -DOUTFILE="$setup_file" "$here/ostrak.nsi"
echo "made $setup_file"
