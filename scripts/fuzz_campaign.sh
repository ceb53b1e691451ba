#!/usr/bin/env bash
# A fuzzing campaign: runs each fuzz target (or the ones named) to a number
# of executions from its committed corpus, two targets at a time under
# nice 19, merges what they found back into fuzz/corpus/<target>, and prints
# one table row per target: executions, rate, coverage (edges cov: and
# features ft:) when the corpus was loaded and at the end, corpus files
# before and after, and findings. A finding (crash, leak, timeout, memory
# limit) keeps its input and log in the folder the row names; the campaign
# goes on with the other targets and ends with status 1. Not part of CI.
# Usage: scripts/fuzz_campaign.sh [-n RUNS] [-p PARALLEL] [TARGET...]
set -euo pipefail
cd "$(dirname "$0")/.."
runs=10000000
parallel=2
while getopts "n:p:" option; do
  case "$option" in
    n) runs="$OPTARG" ;;
    p) parallel="$OPTARG" ;;
    *) echo "usage: $0 [-n RUNS] [-p PARALLEL] [TARGET...]" >&2; exit 2 ;;
  esac
done
shift $((OPTIND - 1))
targets=("$@")
source scripts/fuzz_common.sh
[ ${#targets[@]} -eq 0 ] && mapfile -t targets < <(valbrix_fuzz_targets)
valbrix_fuzz_build
results="$(mktemp -d "${TMPDIR:-/tmp}/fuzz-campaign.XXXXXX")"

# One target's run; writes its row to $results/<target>.row.
campaign_target() {
  local name="$1" runs="$2" results="$3"
  local fuzzer="$PWD/build-fuzz/fuzz/$name" seeds="$PWD/fuzz/corpus/$name"
  local work="$results/$name"
  mkdir -p "$seeds" "$work/grown" "$work/artifacts"
  cp -r "$seeds/." "$work/grown/"
  local before started status=0
  before="$(ls "$seeds" | wc -l)"
  started=$SECONDS
  # A finding stops libFuzzer; -fork would go on, but would also split the
  # coverage figures over its children. One finding per target is enough to act on.
  (cd "$work" && ASAN_OPTIONS=detect_leaks=1 nice -n 19 "$fuzzer" -runs="$runs" -rss_limit_mb=2048 \
      -malloc_limit_mb=1024 -timeout=20 -print_final_stats=1 -artifact_prefix=artifacts/ grown 2>log) || status=$?
  local seconds=$((SECONDS - started))
  local done initial final finding="0"
  done="$(awk '/^stat::number_of_executed_units/ {print $2}' "$work/log")"
  initial="$(grep -m1 -w INITED "$work/log" | grep -oE 'cov: [0-9]+ ft: [0-9]+' | sed 's/: /:/g' || true)"
  final="$(grep -E '^#[0-9]+' "$work/log" | tail -1 | grep -oE 'cov: [0-9]+ ft: [0-9]+' | sed 's/: /:/g' || true)"
  if [ "$status" -ne 0 ]; then
    finding="$(grep -m1 -E '^==[0-9]+==ERROR|^SUMMARY|deadly signal|timeout' "$work/log" | cut -c1-80 || echo "status $status")"
    finding="$finding (input and log in $work)"
  fi
  # Merging into the seed folder keeps the named hand-made seeds and adds
  # only the grown inputs that reach new coverage.
  (cd "$work" && nice -n 19 "$fuzzer" -merge=1 "$seeds" grown 2>merge.log >/dev/null) || true
  printf '| %s | %s | %s | %s → %s | %s → %s | %s |\n' "$name" "${done:-?}" \
    "$(( ${done:-0} / (seconds > 0 ? seconds : 1) ))" "${initial:-?}" "${final:-?}" \
    "$before" "$(ls "$seeds" | wc -l)" "$finding" >"$results/$name.row"
  [ "$status" -eq 0 ] && rm -rf "$work/grown"
  return 0
}
export -f campaign_target
printf '%s\n' "${targets[@]}" | xargs -P "$parallel" -I{} bash -c 'campaign_target "$@"' _ {} "$runs" "$results"

echo "| target | runs | runs/s | cov/ft loaded → end | corpus files | findings |"
echo "|---|---|---|---|---|---|"
findings=0
for name in "${targets[@]}"; do
  cat "$results/$name.row"
  grep -q ' | 0 |$' "$results/$name.row" || findings=$((findings + 1))
done
echo "$findings finding(s); logs in $results"
[ "$findings" -eq 0 ]
