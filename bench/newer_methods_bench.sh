#!/usr/bin/env bash
# The newer methods against 7zz: the 100 MB text corpus (the ten text
# entries of make_corpus.py's text-stored.zip) made into one archive per
# method - Deflate64, BZip2, LZMA and XZ by `7zz a -tzip -mm=...`, and
# Zstandard (which 7zz does not write into ZIP archives) from the zstd tool's
# output, level 3, wrapped by a few lines of Python - then `valbrix-cli test`
# against `7zz t` on each, paired by farm-bench. Both decode every entry and
# check its CRC without writing files. farm-bench prints wall, CPU and peak
# memory (min/median/max) and the pairwise ratio ours/7zz.
#
# With JOBS (worker counts, e.g. JOBS="1 2"), each archive is also extracted
# into /dev/shm: `valbrix-cli extract -j N` against `7zz x`, whose decoders
# may use more than one thread (its bzip2 does); the wall ratio is then the
# one that says who finishes first. Run it on a quiet machine (`uptime`).
#
# Archives are cached in $CACHE (default /dev/shm/valbrix-methods) and made
# again only when missing; the corpus comes from $CORPUS (default
# /dev/shm/valbrix-corpus, made by make_corpus.py when missing).
#
# Usage: bench/newer_methods_bench.sh [METHOD...]   (default: all five)
# Environment: VALBRIX_CLI (default build/cli/valbrix-cli), RUNS (default 5),
# JOBS (unset: no extraction pairs).
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
cli=${VALBRIX_CLI:-$root/build/cli/valbrix-cli}
corpus=${CORPUS:-/dev/shm/valbrix-corpus}
cache=${CACHE:-/dev/shm/valbrix-methods}
runs=${RUNS:-5}
methods=("$@")
[ ${#methods[@]} -gt 0 ] || methods=(Deflate64 BZip2 LZMA XZ Zstandard)

for tool in farm-bench 7zz zstd python3; do
    command -v "$tool" >/dev/null || { echo "missing tool: $tool" >&2; exit 2; }
done
[ -x "$cli" ] || { echo "valbrix-cli not found at $cli (set VALBRIX_CLI)" >&2; exit 2; }
[ -f "$corpus/text-stored.zip" ] || python3 "$here/make_corpus.py" "$corpus"

mkdir -p "$cache"
if [ ! -d "$cache/text" ]; then
    7zz x -bd -y -o"$cache/text" "$corpus/text-stored.zip" >/dev/null
fi
for method in "${methods[@]}"; do
    archive=$cache/text-$method.zip
    [ -f "$archive" ] && continue
    echo "making $archive ..." >&2
    if [ "$method" = Zstandard ]; then
        python3 - "$cache/text" "$archive" <<'PY'
import os, subprocess, sys, zlib, struct
folder, archive = sys.argv[1], sys.argv[2]
names = sorted(os.path.relpath(os.path.join(d, f), folder) for d, _, fs in os.walk(folder) for f in fs)
out, central = bytearray(), bytearray()
for name in names:
    data = open(os.path.join(folder, name), 'rb').read()
    packed = subprocess.run(['zstd', '-q', '-3', '-c'], input=data, stdout=subprocess.PIPE, check=True).stdout
    crc, raw = zlib.crc32(data), name.encode()
    fields = struct.pack('<HHHIIIIHH', 63, 0, 93, 0, crc, len(packed), len(data), len(raw), 0)
    central += b'PK\x01\x02' + struct.pack('<H', 63) + fields + struct.pack('<HHHII', 0, 0, 0, 0x20, len(out)) + raw
    out += b'PK\x03\x04' + fields + raw + packed
end = struct.pack('<IHHHHIIH', 0x06054B50, 0, 0, len(names), len(names), len(central), len(out), 0)
open(archive, 'wb').write(out + central + end)
PY
    else
        (cd "$cache/text" && 7zz a -bd -y -tzip -mm="$method" "$archive" . >/dev/null)
    fi
done

for method in "${methods[@]}"; do
    archive=$cache/text-$method.zip
    echo "== $method: $(du -m "$archive" | cut -f1) MB archive"
    farm-bench -n "$runs" --timeout 1800 --vs "7zz t -bd $archive" -- "$cli" test "$archive"
    for jobs in ${JOBS:-}; do
        out=/dev/shm/valbrix-methods-out
        rm -rf "$out" && mkdir -p "$out"
        echo "== $method: extract -j $jobs / 7zz x (into /dev/shm; load: $(cut -d' ' -f1-3 /proc/loadavg))"
        farm-bench -n "$runs" --timeout 1800 \
            --vs "sh -c 'rm -rf $out/s && exec 7zz x -bd -y -bso0 -o$out/s $archive'" \
            -- sh -c "rm -rf $out/v && exec $cli extract -j $jobs -d $out/v $archive"
        rm -rf "$out"
    done
done
