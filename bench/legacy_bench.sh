#!/usr/bin/env bash
# Throughput of the legacy decoders (explode, unshrink) against unzip, which
# decodes both: `valbrix-cli test` against `unzip -t -qq` and
# `valbrix-cli extract` against `unzip -qq -o -d`, on the same archives, timed
# by hyperfine in one run. Prints per case the mean wall times, the
# uncompressed throughput and the ratio ours/unzip (below 1.0 = faster than
# unzip), and the same ratio on CPU time (user + system), which a busy shared
# machine disturbs less than wall time.
#
# Archives: the largest imploded and shrunk fixtures (PKZIP 1.10, about 3 MB
# each when unpacked; their few stored entries are tiny) and a generated
# archive with one large shrunk entry (bench/shrink_gen.py).
#
# Usage: bench/legacy_bench.sh [MEGABYTES_OF_GENERATED_TEXT]
# Environment: VALBRIX_CLI (default build/cli/valbrix-cli), VALBRIX_FIXTURES
# (default ../shared/fixtures), RUNS (default 10).
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
cli=${VALBRIX_CLI:-$root/build/cli/valbrix-cli}
fixtures=${VALBRIX_FIXTURES:-$root/../shared/fixtures}
runs=${RUNS:-10}
megabytes=${1:-8}

for tool in hyperfine unzip python3; do
    command -v "$tool" >/dev/null || { echo "missing tool: $tool" >&2; exit 2; }
done
[ -x "$cli" ] || { echo "valbrix-cli not found at $cli (set VALBRIX_CLI)" >&2; exit 2; }

work=$(mktemp -d "${TMPDIR:-/tmp}/legacy_bench.XXXXXX")
trap 'rm -rf "$work"' EXIT

python3 "$here/shrink_gen.py" "$work/bigshrunk.zip" "$megabytes" >/dev/null

cases=()
[ -f "$fixtures/bfsx-PKZ110EI.ZIP" ] && cases+=("imploded|$fixtures/bfsx-PKZ110EI.ZIP")
[ -f "$fixtures/bfsx-PKZ110ES.ZIP" ] && cases+=("shrunk|$fixtures/bfsx-PKZ110ES.ZIP")
cases+=("shrunk-generated|$work/bigshrunk.zip")

unpacked_bytes() {
    python3 -c 'import sys, zipfile; print(sum(i.file_size for i in zipfile.ZipFile(sys.argv[1]).infolist()))' "$1"
}

# Both tools must succeed on the archive, or the timing means nothing.
check() {
    "$cli" test "$1" >/dev/null || { echo "valbrix-cli test failed on $1" >&2; exit 1; }
    unzip -t -qq "$1" >/dev/null || { echo "unzip -t failed on $1" >&2; exit 1; }
}

# Runs hyperfine on two commands and prints one result line.
compare() {
    local label=$1 bytes=$2 ours=$3 peer=$4 json=$work/result.json
    # hyperfine's outlier warnings are expected on a shared machine; its
    # failures still stop the script through its exit status.
    hyperfine --style none --warmup 2 --runs "$runs" --export-json "$json" "$ours" "$peer" >/dev/null 2>&1 ||
        { echo "hyperfine failed on: $ours" >&2; exit 1; }
    python3 - "$json" "$label" "$bytes" <<'EOF'
import json, sys
results = json.load(open(sys.argv[1]))["results"]
label, size = sys.argv[2], int(sys.argv[3])
ours, peer = results[0]["mean"], results[1]["mean"]
cpu = [r["user"] + r["system"] for r in results]
print("%-26s %8.1f ms %7.1f MB/s  %8.1f ms %7.1f MB/s  %6.2f  %6.2f"
      % (label, ours * 1e3, size / ours / 1e6, peer * 1e3, size / peer / 1e6, ours / peer, cpu[0] / cpu[1]))
EOF
}

printf '%-26s %23s  %23s  %6s  %6s\n' "case" "valbrix-cli (wall)" "unzip (wall)" "ratio" "cpu"
for item in "${cases[@]}"; do
    kind=${item%%|*}
    archive=${item#*|}
    check "$archive"
    bytes=$(unpacked_bytes "$archive")
    compare "$kind test" "$bytes" "$cli test '$archive'" "unzip -t -qq '$archive'"
    compare "$kind extract" "$bytes" \
        "$cli extract -d '$work/ours' --overwrite '$archive'" \
        "unzip -qq -o -d '$work/peer' '$archive'"
done
