#!/usr/bin/env bash
# Grows the committed seed corpora: runs each fuzz target (or the ones named)
# for a long time from its corpus, then merges what it found back into
# fuzz/corpus/<target>, minimized, so that every later run starts from there.
# Prints per target its runs per second and its coverage (edges `cov:` and
# features `ft:`) when the corpus was loaded and at the end. Not part of CI.
# Usage: scripts/fuzz_grow.sh SECONDS [TARGET...]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:?seconds per target}"
shift
targets=("$@")
source scripts/fuzz_common.sh
[ ${#targets[@]} -eq 0 ] && mapfile -t targets < <(valbrix_fuzz_targets)
valbrix_fuzz_build
# "cov:N ft:N" of a libFuzzer status line.
coverage() { grep -oE 'cov: [0-9]+ ft: [0-9]+' <<<"$1" | sed 's/: /:/g' || echo "cov:? ft:?"; }
for name in "${targets[@]}"; do
  fuzzer="$PWD/build-fuzz/fuzz/$name"
  seeds="$PWD/fuzz/corpus/$name"
  work="$(mktemp -d)"
  mkdir -p "$seeds" "$work/grown"
  cp -r "$seeds/." "$work/grown/"
  (cd "$work" && ASAN_OPTIONS=detect_leaks=1 "$fuzzer" -max_total_time="$seconds" -rss_limit_mb=2048 \
      -malloc_limit_mb=1024 -timeout=20 -print_final_stats=1 grown 2>log) || {
    tail -40 "$work/log"; echo "FUZZ FAILURE in $name (artifacts in $work)"; exit 1; }
  runs="$(grep -E '^stat::number_of_executed_units' "$work/log" | awk '{print $2}')"
  # The INITED line is the corpus as loaded; the last status line, the grown one.
  initial="$(coverage "$(grep -m1 -w INITED "$work/log")")"
  final="$(coverage "$(grep -E '^#[0-9]+' "$work/log" | tail -1)")"
  before="$(ls "$seeds" | wc -l)"
  # Merging into the seed folder keeps the named hand-made seeds and adds
  # only the grown inputs that reach new coverage.
  (cd "$work" && "$fuzzer" -merge=1 "$seeds" grown 2>merge.log >/dev/null)
  echo "$name: $runs runs in ${seconds}s ($((runs / seconds))/s); coverage $initial -> $final; corpus $before -> $(ls "$seeds" | wc -l) files"
  rm -rf "$work"
done
