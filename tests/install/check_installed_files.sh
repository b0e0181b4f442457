#!/usr/bin/env bash
# The tree `cmake --install` made: every file in its usual place, each file checked by the tool
# made for it, and the installed programs answering --version and --help.
#   check_installed_files.sh PREFIX VERSION
set -euo pipefail
prefix=$1
version=$2
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
# What --version prints: the server program names itself.
version_line() {
    if [ "$1" = vornic-hostd ]; then echo "vornic-hostd (Vornic Host) $version"; else echo "Vornic Host $version"; fi
}

expected=(
    bin/vornic-host
    bin/vornic-hostd
    share/vornic-host/ladders.ini
    share/vornic-hostd/ladders.ini
    share/applications/org.vornic.VornicHost.desktop
    share/icons/hicolor/scalable/apps/vornic-host.svg
    share/icons/hicolor/256x256/apps/vornic-host.png
    share/metainfo/org.vornic.VornicHost.metainfo.xml
    share/man/man1/vornic-host.1
    share/man/man1/vornic-hostd.1
    lib/systemd/system/vornic-hostd.service
)
for file in "${expected[@]}"; do
    [ -f "$prefix/$file" ] || fail "not installed: $file"
done
# Nothing else: no simulators, tests or libraries of the build.
extra=$(cd "$prefix" && find . -type f | sed 's|^\./||' | sort | comm -23 - <(printf '%s\n' "${expected[@]}" | sort))
[ -z "$extra" ] || fail "installed but not expected: $extra"

# Checks read captured output: under pipefail, `grep -q` quitting early could fail the pipe.
grep -q "PNG image data, 256 x 256" <<<"$(file -b "$prefix/share/icons/hicolor/256x256/apps/vornic-host.png")" \
    || fail "the PNG icon is not 256 x 256"

# Hints count as well: the desktop file is small enough to have none.
complaints=$(desktop-file-validate "$prefix/share/applications/org.vornic.VornicHost.desktop" 2>&1) \
    && [ -z "$complaints" ] || fail "desktop-file-validate: $complaints"
appstreamcli validate --no-net "$prefix/share/metainfo/org.vornic.VornicHost.metainfo.xml" \
    || fail "appstreamcli validate"
grep -q "<release version=\"$version\"" "$prefix/share/metainfo/org.vornic.VornicHost.metainfo.xml" \
    || fail "metainfo release is not $version"

# The unit as installed names the installed program; verify checks that it exists and that the
# man page it names is there. Any complaint counts, not only the ones it fails on.
unit="$prefix/lib/systemd/system/vornic-hostd.service"
grep -qx "ExecStart=$prefix/bin/vornic-hostd --host .*" "$unit" || fail "ExecStart does not name $prefix/bin"
verify=$(MANPATH="$prefix/share/man" systemd-analyze verify "$unit" 2>&1 \
    | grep -v "sysinit.target not found" || true)
[ -z "$verify" ] || fail "systemd-analyze verify: $verify"

for page in vornic-host vornic-hostd; do
    warnings=$(groff -man -ww -z "$prefix/share/man/man1/$page.1" 2>&1 || true)
    [ -z "$warnings" ] || fail "$page.1: $warnings"
    grep -q "@" "$prefix/share/man/man1/$page.1" && fail "$page.1 has an unfilled @VALUE@"
done

# The installed programs, from the prefix, with no display.
for program in vornic-host vornic-hostd; do
    out=$(env -u DISPLAY -u WAYLAND_DISPLAY "$prefix/bin/$program" --version) || fail "$program --version"
    [ "$out" = "$(version_line "$program")" ] || fail "$program --version said: $out"
    help=$(env -u DISPLAY -u WAYLAND_DISPLAY "$prefix/bin/$program" --help) || fail "$program --help"
    for option in --host --settings --data-dir --lobby-host --chat-port --headless; do
        grep -q -- "$option" <<<"$help" || fail "$program --help lacks $option"
    done
done
grep -q "changes nothing" <<<"$(env -u DISPLAY "$prefix/bin/vornic-hostd" --help)" \
    || fail "vornic-hostd --help does not say --headless changes nothing"

# The server program links no graphics, X11, OpenGL or D-Bus library, not even indirectly.
unwanted=$(ldd "$prefix/bin/vornic-hostd" | grep -E 'libQt6(Gui|Widgets|DBus|OpenGL)|libX11|libxcb|libGL|libEGL|libOpenGL|libdbus' || true)
[ -z "$unwanted" ] || fail "vornic-hostd links: $unwanted"
grep -q libQt6Widgets <<<"$(ldd "$prefix/bin/vornic-host")" || fail "vornic-host does not link Qt Widgets"

[ "$failures" -eq 0 ] || { echo "$failures check(s) failed" >&2; exit 1; }
echo "installed tree in $prefix: all checks passed"
