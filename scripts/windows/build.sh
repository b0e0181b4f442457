#!/usr/bin/env bash
# Cross-builds the programs, the simulators and the tests for 64-bit Windows (build-windows/), with
# the Qt that scripts/windows/build-qt.sh builds once, and gathers a runnable folder:
#   build-windows/bin/           everything built, with the DLLs and plugins to run it under Wine
#                                (the tests run from here: ctest --test-dir build-windows)
#   build-windows/vornic-host/   what is shipped: the two programs, the simulators the demo starts,
#                                the Qt and MinGW runtime DLLs and plugins they load, ladders.ini
#                                and the licence texts, all stripped
# Environment: VORNIC_JOBS (default 2), and build-qt.sh's own.
set -euo pipefail
trap 'echo "windows/build.sh: FAILED (line $LINENO, exit $?)" >&2' ERR
repo="$(cd "$(dirname "$0")/../.." && pwd)"
cd "$repo"
build="$repo/build-windows"
mingw=x86_64-w64-mingw32

# Its build log goes to standard error; its last line is the folder.
qt="$(scripts/windows/build-qt.sh | tee /dev/stderr | tail -n 1)"
[ -f "$qt/lib/cmake/Qt6/qt.toolchain.cmake" ] || {
    echo "windows/build.sh: no Qt in $qt" >&2
    exit 1
}

start=$(date +%s)
cmake -G Ninja -S . -B "$build" \
    -DCMAKE_TOOLCHAIN_FILE="$qt/lib/cmake/Qt6/qt.toolchain.cmake" \
    -DQT_CHAINLOAD_TOOLCHAIN_FILE="$repo/cmake/windows/mingw-w64-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE=Release \
    -DVORNIC_BUILD_BENCHMARKS=OFF \
    -DCMAKE_CROSSCOMPILING_EMULATOR=/usr/bin/wine >/dev/null
cmake --build "$build" -- -k 0 -j "${VORNIC_JOBS:-2}"
built=$(date +%s)

# Where the DLLs a program imports come from; system DLLs are found in none of them.
dll_dirs=("$qt/bin" "/usr/lib/gcc/$mingw/12-posix" "/usr/$mingw/lib")

# Copies into folder $1 every DLL the files after it import, and the DLLs those import in turn.
copy_imports() {
    local dest="$1" name dir file
    shift
    local queue=("$@")
    while [ ${#queue[@]} -gt 0 ]; do
        file="${queue[0]}"
        queue=("${queue[@]:1}")
        for name in $("$mingw-objdump" -p "$file" | sed -n 's/^[[:space:]]*DLL Name: //p'); do
            [ -e "$dest/$name" ] && continue
            for dir in "${dll_dirs[@]}"; do
                if [ -f "$dir/$name" ]; then
                    cp "$dir/$name" "$dest/"
                    queue+=("$dest/$name")
                    break
                fi
            done
        done
    done
}

# Copies the plugins named after $1 (paths below Qt's plugins/) into folder $1, with their DLLs.
copy_plugins() {
    local dest="$1" plugin
    shift
    for plugin in "$@"; do
        mkdir -p "$dest/$(dirname "$plugin")"
        cp "$qt/plugins/$plugin" "$dest/$plugin"
        copy_imports "$dest" "$dest/$plugin"
    done
}

# The look of the widgets on Windows is a plugin of its own where this Qt has one.
plugins=(platforms/qwindows.dll tls/qschannelbackend.dll)
for optional in styles/qwindowsvistastyle.dll; do
    [ -f "$qt/plugins/$optional" ] && plugins+=("$optional")
done

# The build folder runs as it is under Wine; the tests need the offscreen platform too.
copy_imports "$build/bin" "$build"/bin/*.exe
copy_plugins "$build/bin" "${plugins[@]}" platforms/qoffscreen.dll

programs=(vornic-host vornic-hostd vornic-lobby-sim vornic-league-sim vornic-client-sim)
folder="$build/vornic-host"
rm -rf "$folder"
mkdir -p "$folder/licences"
for program in "${programs[@]}"; do cp "$build/bin/$program.exe" "$folder/"; done
copy_imports "$folder" "$folder"/*.exe
copy_plugins "$folder" "${plugins[@]}"
cp data/ladders.ini "$folder/"
# The league simulator's pages, for the demo.
cp -r "$build/bin/pages" "$folder/"
# The libraries' terms as Debian ships them, from the packages they were built from.
cp /usr/share/doc/libqt6core6/copyright "$folder/licences/Qt.txt"
cp /usr/share/doc/gcc-mingw-w64-x86-64-posix-runtime/copyright "$folder/licences/GCC-runtime.txt"
cp /usr/share/doc/mingw-w64-x86-64-dev/copyright "$folder/licences/MinGW-w64-winpthreads.txt"
cp /usr/share/common-licenses/LGPL-3 "$folder/licences/LGPL-3.txt"
cp /usr/share/common-licenses/GPL-3 "$folder/licences/GPL-3.txt"
find "$folder" \( -name '*.exe' -o -name '*.dll' \) -exec "$mingw-strip" --strip-unneeded {} +
end=$(date +%s)

printf 'Windows build: compile %ds, runnable folder %ds; %s (%s)\n' $((built - start)) \
    $((end - built)) "$folder" "$(du -sh "$folder" | cut -f1)" >&2
