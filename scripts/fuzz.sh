#!/usr/bin/env bash
# Builds the fuzz targets with clang, AddressSanitizer and UndefinedBehaviorSanitizer into
# build-fuzz/ and runs each for SECONDS (default 60) from its seed corpus in fuzz/corpus/<target>/,
# as many at once as there are cores (at most VORNIC_FUZZ_JOBS, default 2). New inputs go to
# build-fuzz/corpus/<target>/ and are kept for the next run; a finding leaves
# build-fuzz/<target>-crash-* (or -leak-, -timeout-, -oom-) and makes this script fail.
#   scripts/fuzz.sh [SECONDS] [TARGET...]
#   scripts/fuzz.sh --long [TARGET...]     the deep run: an hour per target, one at a time
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=60
jobs="${VORNIC_FUZZ_JOBS:-2}"
if [ "${1:-}" = --long ]; then
    seconds=3600
    jobs=1
    shift
elif [[ "${1:-}" =~ ^[0-9]+$ ]]; then
    seconds="$1"
    shift
fi
VORNIC_WITH_FUZZ=1 scripts/setup.sh

all=(fuzz_connection fuzz_httprequest fuzz_panelapi fuzz_console fuzz_lobby fuzz_banterms
    fuzz_standings fuzz_rankpage fuzz_settingsfile)
if [ $# -gt 0 ]; then targets=("$@"); else targets=("${all[@]}"); fi
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DVORNIC_FUZZ=ON -DVORNIC_SANITIZE=ON -DVORNIC_BUILD_TESTS=OFF >/dev/null
cmake --build build-fuzz --target "${targets[@]}" -- -j2

# Longest useful input per target: a few packets; a head past its limit and a body; a few
# operations; a few console lines; a lobby conversation; a ban entry; a report page's slice; a
# rank page; a settings file.
declare -A max_len=([fuzz_connection]=2048 [fuzz_httprequest]=12288 [fuzz_panelapi]=2048
    [fuzz_console]=1024 [fuzz_lobby]=256 [fuzz_banterms]=512 [fuzz_standings]=16384
    [fuzz_rankpage]=8192 [fuzz_settingsfile]=4096)

# A small quarantine: freed memory is reused sooner, which keeps a target's memory and its page
# faults down (with the default 256 MB every target grew to it and ran at a quarter of the pace);
# no filling of fresh allocations, which the uninitialized reads it would show do not need here.
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:quarantine_size_mb=16:max_malloc_fill_size=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export QT_QPA_PLATFORM=offscreen QT_LOGGING_RULES="*.debug=false;*.warning=false"

# Leaves the target's exit status in build-fuzz/<target>.status.
run() {
    local target="$1" corpus="build-fuzz/corpus/$1" status=0
    mkdir -p "$corpus"
    "build-fuzz/bin/$target" "$corpus" "fuzz/corpus/$target" -max_total_time="$seconds" \
        -max_len="${max_len[$target]}" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
        -artifact_prefix="build-fuzz/$target-" >/dev/null 2>"build-fuzz/$target.log" || status=$?
    echo "$status" >"build-fuzz/$target.status"
}

echo "== ${#targets[@]} targets, ${seconds}s each, $jobs at a time"
for target in "${targets[@]}"; do
    while [ "$(jobs -rp | wc -l)" -ge "$jobs" ]; do wait -n || true; done
    run "$target" &
done
wait
status=0
for target in "${targets[@]}"; do
    echo "== $target"
    if [ "$(cat "build-fuzz/$target.status")" != 0 ]; then
        status=1
        tail -n 60 "build-fuzz/$target.log"
    fi
    # Inputs run, inputs a second, edges covered, peak memory.
    grep -E "^(#[0-9]+ +DONE|stat::number_of_executed_units|stat::average_exec_per_sec|stat::peak_rss_mb)" \
        "build-fuzz/$target.log" || true
done
exit $status
