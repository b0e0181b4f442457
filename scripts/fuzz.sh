#!/usr/bin/env bash
# Builds the fuzz targets with clang, AddressSanitizer and UndefinedBehaviorSanitizer into
# build-fuzz/ and runs each for SECONDS (default 60) from its seed corpus in fuzz/corpus/<target>/.
# New inputs go to build-fuzz/corpus/<target>/; a crash leaves build-fuzz/<target>-crash-* and
# makes this script fail.
#   scripts/fuzz.sh [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
VORNIC_WITH_FUZZ=1 scripts/setup.sh

CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DVORNIC_FUZZ=ON -DVORNIC_SANITIZE=ON -DVORNIC_BUILD_TESTS=OFF >/dev/null
targets=(fuzz_connection fuzz_standings fuzz_rankpage fuzz_settingsfile)
cmake --build build-fuzz --target "${targets[@]}" -- -j2

# Longest useful input per target: a few packets; a report page's slice; a rank page; a settings
# file.
declare -A max_len=([fuzz_connection]=2048 [fuzz_standings]=16384 [fuzz_rankpage]=8192
    [fuzz_settingsfile]=4096)

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export QT_QPA_PLATFORM=offscreen QT_LOGGING_RULES="*.debug=false"
status=0
for target in "${targets[@]}"; do
    corpus="build-fuzz/corpus/$target"
    mkdir -p "$corpus"
    echo "== $target: ${seconds}s"
    if ! "build-fuzz/bin/$target" "$corpus" "fuzz/corpus/$target" -max_total_time="$seconds" \
        -max_len="${max_len[$target]}" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
        -artifact_prefix="build-fuzz/$target-" 2>"build-fuzz/$target.log"; then
        status=1
        tail -n 60 "build-fuzz/$target.log"
    fi
    grep -E "^(#[0-9]+ +DONE|stat::number_of_executed_units|stat::peak_rss_mb)" \
        "build-fuzz/$target.log" || true
done
exit $status
