#!/usr/bin/env bash
# Builds the fuzz targets with clang (libFuzzer, address and undefined-behaviour
# sanitizers) and runs each for a bounded time from its seed corpus.
# Usage: scripts/fuzz.sh [SECONDS_PER_TARGET]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVALBRIX_FUZZ=ON -DVALBRIX_GUI=OFF -DVALBRIX_TESTS=OFF >/dev/null
cmake --build build-fuzz -j "$(nproc)"
status=0
for source in fuzz/fuzz_*.cpp; do
  name="$(basename "$source" .cpp)"
  work="$(mktemp -d)"
  cp -r "fuzz/corpus/$name/." "$work/" 2>/dev/null || true
  echo "== $name: ${seconds}s"
  if ! (cd "$work" && ASAN_OPTIONS=detect_leaks=1 "$OLDPWD/build-fuzz/fuzz/$name" -max_total_time="$seconds" \
        -rss_limit_mb=2048 -malloc_limit_mb=1024 -timeout=20 -print_final_stats=0 . 2>"$work/log" ); then
    tail -40 "$work/log"
    echo "FUZZ FAILURE in $name"
    status=1
  else
    grep -E "^(Done|#[0-9]+ +DONE)" "$work/log" | tail -1 || true
  fi
  rm -rf "$work"
done
exit $status
