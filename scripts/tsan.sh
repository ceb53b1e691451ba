#!/usr/bin/env bash
# Builds the tests with the thread sanitizer and runs those that start
# workers: the engine's (the job, its stress test, the driver), the CLI's
# (which run the instrumented valbrix-cli) and the window's, offscreen. The
# first race stops its test (halt_on_error). The stress tests run at a
# quarter of their size: the sanitizer makes each step about ten times
# slower, and the interleavings it needs come from the workers, not the count.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/setup.sh
# Line tables only (-g1): the race reports keep file and line, and the
# variable tracking of -O2 -g, a quarter of each compile, is spared.
cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O2 -g1 -DNDEBUG" \
  -DVALBRIX_TSAN=ON -DVALBRIX_GUI=ON -DVALBRIX_BENCH=OFF -DVALBRIX_REPLAYS=OFF >/dev/null
cmake --build build-tsan -j "$(nproc)"
export QT_QPA_PLATFORM=offscreen
export VALBRIX_STRESS_DIVISOR=4
export TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 suppressions=$PWD/scripts/tsan.supp"
# The fuzz replays decode on one thread and are run by the other two stages;
# they are not built here.
valbrix_ctest tsan build-tsan --output-on-failure -j "$(nproc)" --timeout 1800 -LE "slow|package" -E '_replay$'
