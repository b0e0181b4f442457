#!/usr/bin/env bash
# Runs a Windows vornic-hostd.exe under Wine against the Linux simulators on loopback: the room
# opens, two players join and chat, ask the bot for the rules and a rank, the pairings are fetched,
# one player is kicked and the other banned, and a Ctrl+C (SIGINT, which Wine hands to the
# console's handler) ends the program in order: the lobby is told, the players' links close.
#   scripts/windows/wine-room.sh EXE LINUX_BIN WORK
# EXE is the vornic-hostd.exe to run (a Linux vornic-hostd runs as it is, to check the scenario), LINUX_BIN the Linux build's bin/ folder with the simulators,
# WORK a scratch folder (emptied). WINEPREFIX is taken from the environment.
set -euo pipefail
exe="$1"
bin="$2"
work="$3"
repo="$(cd "$(dirname "$0")/../.." && pwd)"
export WINEDEBUG=-all
rm -rf "$work"
mkdir -p "$work/data"
pids=()
cleanup() {
    local pid
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
}
trap cleanup EXIT

# Waits up to $2 seconds for a line of file $1 that holds the text $3.
wait_for() {
    local file="$1" seconds="$2" text="$3" i
    for ((i = 0; i < seconds * 5; i++)); do
        grep -qF -- "$text" "$file" 2>/dev/null && return 0
        sleep 0.2
    done
    echo "wine-room: no \"$text\" in $(basename "$file") within ${seconds}s" >&2
    tail -n 30 "$file" >&2 || true
    return 1
}
port_of() { sed -n 's|^listening on .*:\([0-9]*\)$|\1|p' "$1" | head -n 1; }
player_id() { sed -n "s|^\([0-9]*\)  $1  .*|\1|p" "$work/host.out" | tail -n 1; }

"$bin/vornic-lobby-sim" --port 0 >"$work/lobby.log" 2>&1 &
pids+=($!)
"$bin/vornic-league-sim" --port 0 >"$work/league.log" 2>&1 &
pids+=($!)
wait_for "$work/lobby.log" 20 "listening on"
wait_for "$work/league.log" 20 "listening on"
lobby="$(port_of "$work/lobby.log")"
league="http://127.0.0.1:$(port_of "$work/league.log")"
chat="$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')"

cp "$repo/data/ladders.ini" "$work/data/"
ladder="$(grep -v "^'" "$repo/data/ladders.ini" | head -n 1 | cut -d'|' -f1)"
printf '[SOFTWARE\\TavixChat]\r\npName=Director\r\ncName=Wine Cup\r\ncDetails 1=%s\r\ntDetails 1=1234\r\ncRules 1=Play fair.\r\n[SOFTWARE\\TavixChat\\Options]\r\ncOptions 1=1\r\n' \
    "$ladder" >"$work/settings.ini"

case "$exe" in
*.exe)
    run=(wine "$exe")
    path() { winepath -w "$1"; }
    ;;
*)
    run=("$exe")
    path() { echo "$1"; }
    ;;
esac
mkfifo "$work/input"
"${run[@]}" --headless --host --settings "$(path "$work/settings.ini")" \
    --data-dir "$(path "$work/data")" --lobby-host 127.0.0.1 --lobby-port "$lobby" \
    --chat-port "$chat" --league-url "$league" --tourney-url "$league" --rank-url "$league" \
    <"$work/input" >"$work/host.out" 2>"$work/host.err" &
host=$!
pids+=($host)
exec 3>"$work/input"
operator() { echo "$1" >&3; }

# The first start of a Wine prefix takes a while.
wait_for "$work/host.out" 90 "Chat Initiated at"
wait_for "$work/lobby.log" 10 "Wine Cup"
# Now rather than at the next minute's refresh.
operator "/pairings"

client() {
    local name="$1" address="$2"
    shift 2
    "$bin/vornic-client-sim" --host 127.0.0.1 --port "$chat" --bind "$address" --name "$name" \
        --interval 300 --stay "$@" >"$work/$name.log" 2>&1 &
    pids+=($!)
}
client Bob 127.0.0.2 --say "hi from Bob" --say "+rules" --say "+rank Bob"
client Cleo 127.0.0.3 --say "hi from Cleo" --say "+pairings"
wait_for "$work/host.out" 20 "Bob: hi from Bob"
wait_for "$work/host.out" 20 "Cleo: hi from Cleo"
wait_for "$work/Bob.log" 20 "Play fair."
wait_for "$work/league.log" 20 "/perl/find.cgi"
wait_for "$work/league.log" 20 "report.php?tcount=1234"

operator "hello players"
wait_for "$work/Cleo.log" 20 "hello players"
operator "/players"
wait_for "$work/host.out" 20 "  Cleo  127.0.0.3"
operator "/kick $(player_id Cleo)"
wait_for "$work/host.out" 20 "Cleo"
operator "/ban $(player_id Bob)"
operator "/bans"
wait_for "$work/host.out" 20 "127.0.0.2  Bob  banned "

# Ctrl+C: the console handler closes the room as Exit does.
kill -INT "$host"
for ((i = 0; i < 100; i++)); do
    kill -0 "$host" 2>/dev/null || break
    sleep 0.2
done
if kill -0 "$host" 2>/dev/null; then
    echo "wine-room: vornic-hostd.exe did not end on Ctrl+C" >&2
    exit 1
fi
wait_for "$work/lobby.log" 10 "remove-chat"
echo "wine-room: room opened, players chatted and asked the bot, rank and pairings fetched," \
    "kick and ban done, Ctrl+C ended it in order"
