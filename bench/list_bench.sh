#!/bin/sh
# Times `valbrix-cli list` against `zipinfo -1` and `7zz l` on an archive of
# 100,000 entries (a large directory, streamed through the reader's bounded
# buffer) and prints the ratios. Usage:
#   bench/list_bench.sh [path/to/valbrix-cli] [entries]
# Needs python3 and hyperfine; zipinfo and 7zz are timed when present.
set -eu

cli=${1:-$(dirname "$0")/../build/cli/valbrix-cli}
entries=${2:-100000}
[ -x "$cli" ] || { echo "valbrix-cli not found at $cli (pass its path)" >&2; exit 2; }
command -v hyperfine >/dev/null || { echo "hyperfine is needed" >&2; exit 2; }

scratch=$(mktemp -d "${TMPDIR:-/tmp}/valbrix-bench-XXXXXX")
trap 'rm -rf "$scratch"' EXIT INT TERM
archive="$scratch/many.zip"

# Short stored entries in a handful of folders, as a source tree would give.
python3 - "$archive" "$entries" <<'PY'
import sys, zipfile
with zipfile.ZipFile(sys.argv[1], 'w') as z:
    for n in range(int(sys.argv[2])):
        z.writestr('src/module%03d/file%06d.txt' % (n % 500, n), b'x' * (n % 7))
PY
echo "archive: $entries entries, $(wc -c < "$archive") bytes"

lines=$("$cli" list "$archive" | wc -l)
[ "$lines" -eq "$entries" ] || { echo "valbrix-cli listed $lines of $entries entries" >&2; exit 1; }

set -- "$cli list $archive"
command -v zipinfo >/dev/null && set -- "$@" "zipinfo -1 $archive"
command -v 7zz >/dev/null && set -- "$@" "7zz l $archive"
hyperfine --warmup 2 --runs 10 --export-json "$scratch/times.json" "$@" >/dev/null

python3 - "$scratch/times.json" <<'PY'
import json, sys
results = json.load(open(sys.argv[1]))['results']
ours = results[0]['mean']
for r in results:
    print('%-14s %8.1f ms  +- %5.1f   %5.2fx valbrix-cli' % (
        r['command'].split()[0].rsplit('/', 1)[-1] + ' ' + r['command'].split()[1],
        r['mean'] * 1000, r['stddev'] * 1000, r['mean'] / ours))
PY
