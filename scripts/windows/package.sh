#!/usr/bin/env bash
# Builds for Windows (scripts/windows/build.sh) and makes, in dist/windows/:
#   vornic-host-<version>-win64.zip   the runnable folder, to unpack and run anywhere (portable)
#   vornic-host-<version>-setup.exe   a 64-bit installer (Program Files, Start menu, uninstaller;
#                                     /S installs silently)
set -euo pipefail
trap 'echo "windows/package.sh: FAILED (line $LINENO, exit $?)" >&2' ERR
repo="$(cd "$(dirname "$0")/../.." && pwd)"
cd "$repo"
VORNIC_WITH_WINDOWS=1 scripts/setup.sh
scripts/windows/build.sh

version="$(sed -n 's/^project(VornicHost VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)"
folder="$repo/build-windows/vornic-host"
stage="$repo/build-windows/package"
out="$repo/dist/windows"
zip="$out/vornic-host-$version-win64.zip"
setup="$out/vornic-host-$version-setup.exe"
rm -rf "$stage"
mkdir -p "$stage" "$out"

# The zip unpacks into a folder of its own.
cp -r "$folder" "$stage/vornic-host-$version"
rm -f "$zip"
(cd "$stage" && zip -q -r -9 "$zip" "vornic-host-$version")

# The uninstaller removes exactly the files it installed, deepest folders last.
(
    cd "$folder"
    find . -type f | sort | sed 's|^\./||; s|/|\\|g; s|.*|Delete "$INSTDIR\\&"|'
    find . -mindepth 1 -type d | sort -r | sed 's|^\./||; s|/|\\|g; s|.*|RMDir "$INSTDIR\\&"|'
) >"$stage/uninstall-files.nsh"
makensis -V2 -DVERSION="$version" -DSOURCE="$folder" -DOUTFILE="$setup" \
    -DICON="$repo/data/windows/vornic-host.ico" -DFILELIST="$stage/uninstall-files.nsh" \
    scripts/windows/installer.nsi
ls -l "$zip" "$setup"
