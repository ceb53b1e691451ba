#!/usr/bin/env bash
# Builds every test, the window's Qt tests included (run offscreen), with
# address and undefined-behaviour sanitizers and runs them, all but the
# cases labelled slow: those write files over 4 GiB, which take an hour
# under the sanitizers and are run by the plain test stage; nor the
# package checks, which test files, not code.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/setup.sh
# Line tables only (-g1): the reports keep their file and line, and compiler
# and linker are spared the variables' debug information nobody steps through.
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG=-g1 \
  -DVALBRIX_SANITIZE=ON -DVALBRIX_GUI=ON -DVALBRIX_BENCH=OFF >/dev/null
cmake --build build-asan -j "$(nproc)"
export QT_QPA_PLATFORM=offscreen
# The stress tests run at a tenth of their size: the interleavings they
# look for come from the workers, not from the count.
export VALBRIX_STRESS_DIVISOR=10
ASAN_OPTIONS=detect_leaks=1 LSAN_OPTIONS="suppressions=$PWD/scripts/lsan-qt.supp" \
  valbrix_ctest sanitizers build-asan --output-on-failure -j "$(nproc)" --timeout 1800 -LE "slow|package"
