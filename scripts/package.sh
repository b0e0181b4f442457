#!/usr/bin/env bash
# Builds the two Debian packages, vornic-host and vornic-hostd, from a clean build folder of their
# own (build-package/, prefix /usr), and leaves them in dist/.
#   scripts/package.sh
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
build=build-package
rm -rf "$build"
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
    -DVORNIC_BUILD_TESTS=OFF -DVORNIC_BUILD_BENCHMARKS=OFF >/dev/null
cmake --build "$build" --target vornic-host vornic-hostd -- -j "${VORNIC_JOBS:-2}"
mkdir -p dist
cpack --config "$build/CPackConfig.cmake" -B "$build/packages"
cp "$build"/packages/*.deb dist/
ls -l dist/*.deb
