#!/usr/bin/env bash
# Builds the host and the benchmark driver, then measures and prints one markdown table.
# Options are passed to vornic-bench (see build/bin/vornic-bench --help), e.g.
#   scripts/bench.sh --relayed 100000      the memory run with 100,000 line deliveries
#   scripts/bench.sh --only parsers        one group: parsers, room, fast or startup
#   scripts/bench.sh --only fast           the room with Fast Delivery on (every connection paced
#                                          on its own clock), and the queue's clock beside a bare
#                                          timer's
#   scripts/bench.sh --panels 0            no second pacing run with browser panels watching
# Progress goes to standard error, the table to standard output.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset default -DVORNIC_BUILD_BENCHMARKS=ON >/dev/null
cmake --build build --target vornic-bench vornic-host vornic-hostd -- -j "${VORNIC_JOBS:-2}" >&2

bench=(build/bin/vornic-bench "$@")
# The window start-up is watched on an X display when one can be had; otherwise the driver
# falls back to Qt's offscreen platform.
if [[ -z "${DISPLAY:-}" ]] && command -v xvfb-run >/dev/null && command -v xev >/dev/null; then
    bench=(xvfb-run -a -s "-screen 0 1280x1024x24" "${bench[@]}")
fi
"${bench[@]}"
