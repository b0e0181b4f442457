#!/usr/bin/env bash
# The Windows check, for CI after the Linux one: builds Qt for Windows when its cache folder is
# missing, cross-builds and packages (scripts/windows/package.sh), runs the tests under Wine, runs a
# room of the Windows server program against the Linux simulators, and installs the installer
# silently into a fresh Wine prefix, runs a room from the installed copy and uninstalls it.
# Needs the Linux build's simulators (scripts/build.sh default) for the room checks.
set -euo pipefail
trap 'echo "windows/test.sh: FAILED (line $LINENO, exit $?)" >&2' ERR
repo="$(cd "$(dirname "$0")/../.." && pwd)"
cd "$repo"
build="$repo/build-windows"
linux_bin="$repo/build/bin"
export WINEDEBUG=-all
start=$(date +%s)

scripts/windows/package.sh
packaged=$(date +%s)

# One prefix for the tests, made before they run side by side.
export WINEPREFIX="$build/wineprefix"
[ -d "$WINEPREFIX" ] || wineboot -i
ctest --test-dir "$build" -j 2 --output-on-failure
tested=$(date +%s)

[ -x "$linux_bin/vornic-lobby-sim" ] || scripts/build.sh default
scripts/windows/wine-room.sh "$build/bin/vornic-hostd.exe" "$linux_bin" "$build/wine-room"

# The installer in a prefix of its own, as on a machine that never saw the program.
version="$(sed -n 's/^project(VornicHost VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)"
export WINEPREFIX="$build/wine-install"
rm -rf "$WINEPREFIX"
wineboot -i
wine "dist/windows/vornic-host-$version-setup.exe" /S
wineserver -w
installed="$WINEPREFIX/drive_c/Program Files/Vornic Host"
for file in vornic-host.exe vornic-hostd.exe uninstall.exe ladders.ini platforms/qwindows.dll \
    tls/qschannelbackend.dll; do
    [ -f "$installed/$file" ] || {
        echo "windows/test.sh: $file was not installed" >&2
        exit 1
    }
done
[ -n "$(find "$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu" -name 'Vornic Host.lnk')" ]
wine reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\VornicHost' >/dev/null
scripts/windows/wine-room.sh "$installed/vornic-hostd.exe" "$linux_bin" "$build/wine-room-installed"
# The uninstaller runs from a copy of itself and returns at once.
wine "$installed/uninstall.exe" /S
wineserver -w
for ((i = 0; i < 50; i++)); do
    [ -d "$installed" ] || break
    sleep 0.2
done
[ ! -d "$installed" ] || {
    echo "windows/test.sh: the uninstaller left $(find "$installed" | head -n 5)" >&2
    exit 1
}
wineserver -k || true
end=$(date +%s)
printf 'Windows check: build and package %ds, tests under Wine %ds, rooms and installer %ds\n' \
    $((packaged - start)) $((tested - packaged)) $((end - tested))
