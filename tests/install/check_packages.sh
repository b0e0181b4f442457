#!/usr/bin/env bash
# Builds the two Debian packages from the build folder and looks into them: their files, their
# version, and their dependencies as dpkg-shlibdeps found them.
#   check_packages.sh BUILD_DIR OUT_DIR VERSION
set -euo pipefail
build=$1
out=$2
version=$3
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
# What --version prints: the server program names itself.
version_line() {
    if [ "$1" = vornic-hostd ]; then echo "vornic-hostd (Vornic Host) $version"; else echo "Vornic Host $version"; fi
}

rm -rf "$out"
mkdir -p "$out"
if ! cpack --config "$build/CPackConfig.cmake" -B "$out" >"$out/cpack.log" 2>&1; then
    cat "$out/cpack.log" >&2
    echo "FAIL: cpack" >&2
    exit 1
fi
window=$(ls "$out"/vornic-host_"$version"_*.deb)
server=$(ls "$out"/vornic-hostd_"$version"_*.deb)

files_of() { dpkg-deb --contents "$1" | awk '$1 !~ /^d/ {print $6}' | sed 's|^\./|/|' | sort; }
files_of "$window" >"$out/window.files"
files_of "$server" >"$out/server.files"

expect_file() {
    grep -qx "$2" "$out/$1.files" || fail "$1 package lacks $2"
}
for f in /usr/bin/vornic-host /usr/share/vornic-host/ladders.ini \
    /usr/share/applications/org.vornic.VornicHost.desktop \
    /usr/share/icons/hicolor/scalable/apps/vornic-host.svg \
    /usr/share/icons/hicolor/256x256/apps/vornic-host.png \
    /usr/share/metainfo/org.vornic.VornicHost.metainfo.xml /usr/share/man/man1/vornic-host.1; do
    expect_file window "$f"
done
for f in /usr/bin/vornic-hostd /usr/share/vornic-hostd/ladders.ini \
    /usr/lib/systemd/system/vornic-hostd.service /usr/share/man/man1/vornic-hostd.1; do
    expect_file server "$f"
done
[ "$(wc -l <"$out/window.files")" -eq 7 ] || fail "window package files: $(cat "$out/window.files")"
[ "$(wc -l <"$out/server.files")" -eq 4 ] || fail "server package files: $(cat "$out/server.files")"
# Both can be installed together only when no file is in both.
shared=$(comm -12 "$out/window.files" "$out/server.files")
[ -z "$shared" ] || fail "files in both packages: $shared"

for deb in "$window" "$server"; do
    [ "$(dpkg-deb --field "$deb" Version)" = "$version" ] || fail "$deb: version is not $version"
done
window_depends=$(dpkg-deb --field "$window" Depends)
server_depends=$(dpkg-deb --field "$server" Depends)
echo "vornic-host Depends: $window_depends"
echo "vornic-hostd Depends: $server_depends"
for lib in libqt6core6 libqt6network6 libqt6widgets6 libqt6gui6 qt6-qpa-plugins; do
    grep -q "$lib" <<<"$window_depends" || fail "vornic-host does not depend on $lib"
done
for lib in libqt6core6 libqt6network6 libc6; do
    grep -q "$lib" <<<"$server_depends" || fail "vornic-hostd does not depend on $lib"
done
unwanted=$(tr ',' '\n' <<<"$server_depends" | grep -Ei 'gui|widgets|dbus|opengl|libgl|libegl|libx11|libxcb|fontconfig|freetype' || true)
[ -z "$unwanted" ] || fail "vornic-hostd depends on: $unwanted"
# The panel's event stream is plain HTTP: no WebSocket library on either side.
! grep -qi websockets <<<"$window_depends$server_depends" || fail "a package depends on QtWebSockets"

# The unit in the package names the packaged program, and nothing names the staging folder.
root="$out/root"
dpkg-deb -x "$server" "$root"
dpkg-deb -x "$window" "$root"
grep -qx "ExecStart=/usr/bin/vornic-hostd --host .*" "$root/usr/lib/systemd/system/vornic-hostd.service" \
    || fail "the packaged unit does not run /usr/bin/vornic-hostd"
! grep -rqF "$out" "$root/usr/share" "$root/usr/lib" || fail "a packaged file names the staging folder"
for program in vornic-host vornic-hostd; do
    [ "$(env -u DISPLAY "$root/usr/bin/$program" --version)" = "$(version_line "$program")" ] \
        || fail "packaged $program does not start"
done

[ "$failures" -eq 0 ] || { echo "$failures check(s) failed" >&2; exit 1; }
echo "packages in $out: all checks passed"
