#!/usr/bin/env bash
# Builds Qt for 64-bit Windows once, from Debian's own qtbase source, into a cache folder outside the
# repository, and prints that folder on its last line. Does nothing when the folder is there.
#
# The folder's name carries a hash of this script and of the MinGW toolchain file, so changing either
# builds a fresh Qt beside the old one. The machine's apt sources are not touched: the source package
# comes through a private apt configuration with one deb-src entry.
#
# Environment: VORNIC_QT_CACHE (default ~/.cache/vornic-host), VORNIC_JOBS (default 2),
# VORNIC_DEBIAN_MIRROR (default http://deb.debian.org/debian), VORNIC_KEEP_QT_BUILD=1 keeps the
# 1.2 GB build tree after a successful install.
set -euo pipefail
trap 'echo "build-qt.sh: FAILED (line $LINENO, exit $?)" >&2' ERR

repo="$(cd "$(dirname "$0")/../.." && pwd)"
toolchain="$repo/cmake/windows/mingw-w64-x86_64.cmake"
qt_version=6.4.2
cache="${VORNIC_QT_CACHE:-$HOME/.cache/vornic-host}"
hash="$(cat "$0" "$toolchain" | sha256sum | cut -c1-12)"
prefix="$cache/qt-$qt_version-mingw-$hash"
stamp="$prefix/.vornic-complete"

if [ -f "$stamp" ]; then
    echo "$prefix"
    exit 0
fi

VORNIC_WITH_WINDOWS=1 "$repo/scripts/setup.sh"

# The host tools (moc, rcc, uic) come from Debian's Qt and must be of the same version as the source.
host_version="$(dpkg-query -W -f='${Version}' qt6-base-dev)"
case "$host_version" in
"$qt_version"+*) ;;
*)
    echo "build-qt.sh: the host's qt6-base-dev is $host_version, expected $qt_version" >&2
    exit 1
    ;;
esac

work="$cache/work-qt-$hash"
rm -rf "$work"
mkdir -p "$work/apt/lists/partial" "$work/apt/cache/archives/partial" "$work/src"
mirror="${VORNIC_DEBIAN_MIRROR:-http://deb.debian.org/debian}"
cat >"$work/apt/qt-source.sources" <<EOF
Types: deb-src
URIs: $mirror
Suites: bookworm
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
EOF
apt_private=(-o Dir::Etc::sourcelist=/dev/null -o "Dir::Etc::sourceparts=$work/apt"
    -o "Dir::State::Lists=$work/apt/lists" -o "Dir::Cache=$work/apt/cache")

start=$(date +%s)
echo "== fetching qt6-base $host_version source"
apt-get "${apt_private[@]}" update -qq
(cd "$work/src" && apt-get "${apt_private[@]}" source --download-only "qt6-base=$host_version")
(cd "$work/src" && dpkg-source -x ./*.dsc qtbase >/dev/null)

echo "== configuring"
# Only what the program uses. Debian's cleaned source has no wintab, hence no tablet events; with
# Direct2D off, DirectWrite 3 must be off too or the Windows platform plugin does not link.
off=(sql xml printsupport dbus opengl vulkan direct2d directwrite3 tabletevent icu zstd openssl brotli
    libproxy gssapi jpeg system_zlib system_pcre2 system_doubleconversion system_harfbuzz
    system_freetype system_png system_jpeg pkg_config)
on=(concurrent testlib network gui widgets)
features=()
for f in "${off[@]}"; do features+=("-DFEATURE_$f=OFF"); done
for f in "${on[@]}"; do features+=("-DFEATURE_$f=ON"); done
cmake -G Ninja -S "$work/src/qtbase" -B "$work/build" \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DBUILD_SHARED_LIBS=ON \
    -DQT_HOST_PATH=/usr \
    -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
    -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF \
    -DINPUT_opengl=no \
    "${features[@]}"
configured=$(date +%s)

echo "== building"
cmake --build "$work/build" -- -j "${VORNIC_JOBS:-2}"
built=$(date +%s)

# Installed under a staging root first and moved into place whole, so an interrupted run never
# leaves a folder that looks complete.
echo "== installing"
rm -rf "$prefix" "$work/stage"
DESTDIR="$work/stage" cmake --install "$work/build" >/dev/null
mkdir -p "$cache"
mv "$work/stage$prefix" "$prefix"
for m in Core Network Concurrent Gui Widgets Test; do
    [ -f "$prefix/bin/Qt6$m.dll" ] || {
        echo "build-qt.sh: Qt6$m.dll is missing from the install" >&2
        exit 1
    }
done
for p in platforms/qwindows.dll platforms/qoffscreen.dll tls/qschannelbackend.dll; do
    [ -f "$prefix/plugins/$p" ] || {
        echo "build-qt.sh: plugin $p is missing from the install" >&2
        exit 1
    }
done
[ "${VORNIC_KEEP_QT_BUILD:-0}" = 1 ] || rm -rf "$work"
end=$(date +%s)
printf 'Qt %s for Windows built: configure %ds, build %ds, total %ds\n' "$qt_version" \
    $((configured - start)) $((built - configured)) $((end - start)) >"$stamp"
cat "$stamp" >&2
echo "$prefix"
