#!/usr/bin/env bash
# Builds the engine and CLI tests with address and undefined-behaviour
# sanitizers and runs them.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVALBRIX_SANITIZE=ON -DVALBRIX_GUI=OFF >/dev/null
cmake --build build-asan -j "$(nproc)"
cd build-asan
ASAN_OPTIONS=detect_leaks=1 ctest --output-on-failure -j "$(nproc)" --timeout 1800
