#!/usr/bin/env bash
# Configures and builds one preset ("default" or "sanitize") from the project root.
set -euo pipefail
preset="${1:-default}"
cd "$(dirname "$0")/.."
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" -- -k 0 -j "${VORNIC_JOBS:-2}"
