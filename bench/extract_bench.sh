#!/usr/bin/env bash
# Extraction speed against peers: `valbrix-cli extract` against
# `unzip -qq -o` and `7zz x -y`, and `valbrix-cli test` against `unzip -tqq`,
# on one archive of about 100 MB of text-like and 100 MB of binary-like
# data made with `zip -6`, timed side by side by hyperfine in one run.
# Prints the mean wall times, the throughput of uncompressed data, and the
# ratios ours/peer (below 1.0 = faster than the peer), on wall time and on
# CPU time (user + system), which a busy shared machine disturbs less.
#
# The corpus and archive are cached (default /tmp/valbrix-extract-bench,
# never in the source tree) and made again only when missing.
#
# Usage: bench/extract_bench.sh
# Environment: VALBRIX_CLI (default build/cli/valbrix-cli), CACHE, RUNS (default 5).
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
cli=${VALBRIX_CLI:-$root/build/cli/valbrix-cli}
cache=${CACHE:-${TMPDIR:-/tmp}/valbrix-extract-bench}
runs=${RUNS:-5}

for tool in hyperfine unzip zip 7zz python3; do
    command -v "$tool" >/dev/null || { echo "missing tool: $tool" >&2; exit 2; }
done
[ -x "$cli" ] || { echo "valbrix-cli not found at $cli (set VALBRIX_CLI)" >&2; exit 2; }
cli=$(cd "$(dirname "$cli")" && pwd)/$(basename "$cli")

archive=$cache/corpus.zip
if [ ! -f "$archive" ]; then
    echo "making the corpus in $cache ..." >&2
    mkdir -p "$cache/data/text" "$cache/data/binary"
    # Text: words of a small German/English vocabulary with numbers and line
    # breaks (compresses about 3:1). Binary: 16-bit samples that drift with
    # noise, plus runs of zeros and random blocks (compresses about 1.3:1).
    python3 - "$cache/data" <<'PY'
import os, random, struct, sys
out = sys.argv[1]
rng = random.Random(1)
words = ("Archiv Datei Ordner entpacken und der die das komprimiert Größe the of data "
         "value index table window block header length offset").split()
for i in range(10):
    with open(os.path.join(out, "text", "part%02d.txt" % i), "w", encoding="utf-8") as f:
        size = 0
        while size < 10 << 20:
            line = " ".join(rng.choice(words) for _ in range(12)) + " %d\n" % rng.randrange(100000)
            f.write(line)
            size += len(line.encode("utf-8"))
for i in range(10):
    with open(os.path.join(out, "binary", "part%02d.bin" % i), "wb") as f:
        size, level = 0, 0
        while size < 10 << 20:
            kind = rng.randrange(10)
            if kind == 0:
                block = bytes(rng.randrange(4096))
            elif kind == 1:
                block = rng.randbytes(4096)
            else:
                samples = []
                for _ in range(2048):
                    level = max(-32768, min(32767, level + rng.randrange(-300, 301)))
                    samples.append(level)
                block = struct.pack("<2048h", *samples)
            f.write(block)
            size += len(block)
PY
    (cd "$cache/data" && zip -q -6 -r "$archive" text binary)
fi

unpacked=$(du -sb "$cache/data" | cut -f1)
out=$cache/out
json=$(mktemp "${TMPDIR:-/tmp}/extract_bench.XXXXXX.json")
trap 'rm -f "$json"; rm -rf "$out"' EXIT

hyperfine --runs "$runs" --warmup 1 --export-json "$json" --prepare "rm -rf '$out'" \
    -n valbrix-extract "'$cli' extract --overwrite -d '$out' '$archive'" \
    -n unzip-extract "unzip -qq -o '$archive' -d '$out'" \
    -n 7zz-extract "7zz x -y -bso0 -bsp0 -o'$out' '$archive'" \
    -n valbrix-test "'$cli' test '$archive' >/dev/null" \
    -n unzip-test "unzip -tqq '$archive'" >&2

python3 - "$json" "$unpacked" "$(stat -c %s "$archive")" <<'PY'
import json, sys
results = {r["command"]: r for r in json.load(open(sys.argv[1]))["results"]}
unpacked, packed = int(sys.argv[2]), int(sys.argv[3])
print("archive: %.1f MB packed, %.1f MB unpacked" % (packed / 1e6, unpacked / 1e6))
print("%-16s %9s %9s %10s" % ("command", "wall s", "cpu s", "MB/s"))
for name, r in results.items():
    cpu = r["user"] + r["system"]
    print("%-16s %9.3f %9.3f %10.1f" % (name, r["mean"], cpu, unpacked / 1e6 / r["mean"]))
def ratio(ours, peer):
    a, b = results[ours], results[peer]
    print("%-34s wall %.2f   cpu %.2f" % (ours + " / " + peer, a["mean"] / b["mean"],
                                         (a["user"] + a["system"]) / (b["user"] + b["system"])))
print()
ratio("valbrix-extract", "unzip-extract")
ratio("valbrix-extract", "7zz-extract")
ratio("valbrix-test", "unzip-test")
PY
