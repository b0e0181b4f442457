#!/usr/bin/env python3
"""Makes the fuzz targets' seed corpora from what the tests' clients send.

    VORNIC_CAPTURE_DIR=/tmp/traffic ctest --test-dir build -R 'panel|headless|chatroom|lastingbans'
    fuzz/seeds.py /tmp/traffic

The tests keep every write of their clients in /tmp/traffic/<kind>/ (see
tests/support/TrafficCapture.h); this turns them into inputs in each target's own format and
writes them to fuzz/corpus/<target>/ as traffic-<hash>, next to the hand-made seeds. Running it
again replaces the earlier traffic seeds.
"""

import hashlib
import pathlib
import re
import struct
import sys

CORPUS = pathlib.Path(__file__).resolve().parent / "corpus"
# At most this many seeds of one kind per target: enough variety, a short first pass.
MAX_SEEDS = 60
# PanelApi::operationNames(), sorted, as the panel API target picks them by position.
OPERATIONS = sorted([
    "announce", "ban", "ban-address", "clear", "close", "font", "host", "kick", "mute", "page",
    "refresh-pairings", "round", "say", "set", "unban", "unban-all", "whisper"])
JOIN_REQUEST = 213


def captured(root, kind):
    folder = root / kind
    if not folder.is_dir():
        return []
    return [path.read_bytes() for path in sorted(folder.iterdir())]


def counted(data):
    data = data[:0xFFFF]
    return struct.pack("<H", len(data)) + data


def write(target, seeds):
    folder = CORPUS / target
    folder.mkdir(parents=True, exist_ok=True)
    for old in folder.glob("traffic-*"):
        old.unlink()
    unique = {hashlib.sha1(seed).hexdigest()[:16]: seed for seed in seeds if seed}
    for name in sorted(unique)[:MAX_SEEDS]:
        (folder / f"traffic-{name}").write_bytes(unique[name])
    print(f"{target}: {min(len(unique), MAX_SEEDS)} seeds")


def http_seeds(requests):
    seeds = []
    for index, request in enumerate(requests):
        # Byte 0 sets the pieces the stream arrives in; vary it across the seeds.
        seeds.append(bytes([index % 32]) + request)
    # Pipelined: each request followed by the next on the same connection.
    for first, second in zip(requests, requests[1:]):
        seeds.append(bytes([len(first) % 32]) + first + second)
    return seeds


def panel_seeds(requests):
    seeds = []
    for request in requests:
        match = re.match(rb"POST /api/([a-z-]+) HTTP/1\.1\r\n", request)
        head, _, body = request.partition(b"\r\n\r\n")
        if match and match.group(1).decode() in OPERATIONS:
            seeds.append(bytes([OPERATIONS.index(match.group(1).decode())]) + counted(body))
    return seeds


def connection_seeds(writes):
    seeds = []
    for data in writes:
        # A join request comes from a client without a seat, anything else from a seated one;
        # all at once, and in pieces of 3 bytes.
        client = 2 if data[:1] == bytes([JOIN_REQUEST]) else 0
        seeds.append(bytes([client]) + counted(data))
        seeds.append(bytes([client | 3 << 4]) + counted(data) + bytes([0x0C]))
    return seeds


def ban_seeds(settings, lines):
    seeds = []
    for text in settings:
        for line in text.split(b"\r\n"):
            match = re.match(rb"Ban [0-9]+=(.*)", line)
            if match:
                seeds.append(match.group(1))
    for line in lines:
        words = line.split(b" ", 2)
        if words[0] == b"/ban" and len(words) == 3:
            seeds.append(words[2])
        elif words[0] == b"/ban-address" and len(words) >= 2:
            seeds.append(b" ".join(words[1:]))
            seeds.append(words[1])
    return seeds


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    root = pathlib.Path(sys.argv[1])
    requests = captured(root, "http")
    lines = captured(root, "console")
    write("fuzz_httprequest", http_seeds(requests))
    write("fuzz_panelapi", panel_seeds(requests))
    write("fuzz_connection", connection_seeds(captured(root, "connection")))
    write("fuzz_console", lines + [b"\n".join(lines)])
    write("fuzz_banterms", ban_seeds(captured(root, "settings"), lines))


if __name__ == "__main__":
    main()
