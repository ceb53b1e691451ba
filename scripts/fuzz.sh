#!/usr/bin/env bash
# Builds the fuzz targets with clang (libFuzzer, address and undefined-behaviour
# sanitizers) and runs each for a bounded time from its seed corpus, as many
# at a time as there are cores (each target is one process on one core), then
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
results="$(mktemp -d)"
trap 'rm -rf "$results"' EXIT

# One target's run. Its lines go to $results/<target>.out, printed whole
# after the runs so two targets' lines never interleave, and an empty
# $results/<target>.failed marks a failure.
fuzz_target() {
  local name="$1" seconds="$2" under_ci="$3" results="$4"
  local seeds="fuzz/corpus/$name" out="$results/$name.out"
  if [ -z "$(ls -A "$seeds" 2>/dev/null)" ]; then
    if $under_ci; then
      echo "FUZZ FAILURE in $name: no seed corpus in $seeds" >"$out"
      : >"$results/$name.failed"
      return 0
    fi
    echo "warning: $name has no seed corpus in $seeds; it starts from nothing" >"$out"
  fi
  local work
  work="$(mktemp -d)"
  [ -d "$seeds" ] && cp -r "$seeds/." "$work/"
  echo "== $name: ${seconds}s" >>"$out"
  if ! (cd "$work" && ASAN_OPTIONS=detect_leaks=1 "$OLDPWD/build-fuzz/fuzz/$name" -max_total_time="$seconds" \
        -rss_limit_mb=2048 -malloc_limit_mb=1024 -timeout=20 -print_final_stats=1 . 2>"$work/log" ); then
    tail -40 "$work/log" >>"$out"
    echo "FUZZ FAILURE in $name" >>"$out"
    : >"$results/$name.failed"
  else
    local runs
    runs="$(awk '/^stat::number_of_executed_units/ {print $2}' "$work/log")"
    { grep -E "^(Done|#[0-9]+ +DONE)" "$work/log" | tail -1 || true; } >>"$out"
    echo "$name: ${runs:-?} runs, $(( ${runs:-0} / seconds ))/s" >>"$out"
  fi
  rm -rf "$work"
}
export -f fuzz_target
mapfile -t targets < <(valbrix_fuzz_targets)
printf '%s\n' "${targets[@]}" | xargs -P "$(nproc)" -I{} bash -c 'fuzz_target "$@"' _ {} "$seconds" "$under_ci" "$results" || true
passed=0
failed=0
for name in "${targets[@]}"; do
  cat "$results/$name.out" 2>/dev/null || echo "FUZZ FAILURE in $name: it left no output"
  if [ -e "$results/$name.failed" ] || [ ! -e "$results/$name.out" ]; then
    failed=$((failed + 1))
  else
    passed=$((passed + 1))
  fi
done
echo "fuzz: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
