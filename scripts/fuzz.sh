#!/usr/bin/env bash
# Builds the fuzz targets with clang (libFuzzer, address and undefined-behaviour
# sanitizers) and runs each for a bounded time from its seed corpus, then
# prints "fuzz: N passed, N failed" over the targets. A target without a
# seed corpus fails under CI (it would fuzz from nothing and prove little);
# on a developer's run it only warns.
# Usage: scripts/fuzz.sh [SECONDS_PER_TARGET]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
under_ci=false
case "${CI:-}" in ""|0|false) ;; *) under_ci=true ;; esac
source scripts/fuzz_common.sh
valbrix_fuzz_build
passed=0
failed=0
for source in fuzz/fuzz_*.cpp; do
  name="$(basename "$source" .cpp)"
  seeds="fuzz/corpus/$name"
  if [ -z "$(ls -A "$seeds" 2>/dev/null)" ]; then
    if $under_ci; then
      echo "FUZZ FAILURE in $name: no seed corpus in $seeds"
      failed=$((failed + 1))
      continue
    fi
    echo "warning: $name has no seed corpus in $seeds; it starts from nothing"
  fi
  work="$(mktemp -d)"
  [ -d "$seeds" ] && cp -r "$seeds/." "$work/"
  echo "== $name: ${seconds}s"
  if ! (cd "$work" && ASAN_OPTIONS=detect_leaks=1 "$OLDPWD/build-fuzz/fuzz/$name" -max_total_time="$seconds" \
        -rss_limit_mb=2048 -malloc_limit_mb=1024 -timeout=20 -print_final_stats=1 . 2>"$work/log" ); then
    tail -40 "$work/log"
    echo "FUZZ FAILURE in $name"
    failed=$((failed + 1))
  else
    runs="$(awk '/^stat::number_of_executed_units/ {print $2}' "$work/log")"
    grep -E "^(Done|#[0-9]+ +DONE)" "$work/log" | tail -1 || true
    echo "$name: ${runs:-?} runs, $(( ${runs:-0} / seconds ))/s"
    passed=$((passed + 1))
  fi
  rm -rf "$work"
done
echo "fuzz: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
