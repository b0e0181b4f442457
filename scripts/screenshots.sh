#!/usr/bin/env bash
# Pictures of the window as a user sees it: starts the demo (simulated lobby, league site and
# players on loopback) in a virtual display and captures every tab once the room is open.
#   scripts/screenshots.sh [FOLDER]     (default: build/screenshots)
set -euo pipefail
cd "$(dirname "$0")/.."
folder="$(realpath -m "${1:-build/screenshots}")"
VORNIC_WITH_XVFB=1 VORNIC_WITH_SCREENSHOTS=1 scripts/setup.sh
scripts/build.sh default
mkdir -p "$folder"

display=":$((90 + RANDOM % 100))"
Xvfb "$display" -screen 0 1280x900x24 -nolisten tcp &
xvfb=$!
host=""
cleanup() {
    [ -n "$host" ] && kill "$host" 2>/dev/null && wait "$host" 2>/dev/null
    kill "$xvfb" 2>/dev/null || true
}
trap cleanup EXIT
export DISPLAY="$display"
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done

build/bin/vornic-host --demo --host >"$folder/host.log" 2>&1 &
host=$!
window=""
for _ in $(seq 100); do
    window=$(xdotool search --onlyvisible --name "Vornic Host" 2>/dev/null | head -n 1) && [ -n "$window" ] && break
    sleep 0.1
done
[ -n "$window" ] || { echo "the window did not appear; see $folder/host.log" >&2; exit 1; }
# The demo's players join and talk within a few seconds.
sleep 6
xdotool windowfocus "$window" 2>/dev/null || true
for tab in chatroom tourney chatsettings ipmonitor debug; do
    import -window "$window" "$folder/$tab.png"
    xdotool key ctrl+Tab
    sleep 0.5
done
echo "pictures in $folder"
