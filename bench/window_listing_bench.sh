#!/bin/sh
# The main window on large listings, offscreen: from the process's start to
# the listed and painted window, and its peak memory after listing, on
#   million.zip  1,000,000 empty entries in 1,000 folders (Python's zipfile)
#   tiny.zip     the 100,000 tiny files of bench/make_corpus.py
# then the sort of the tiny corpus's 100,000 rows by each column, both ways,
# and the filter field's keystrokes on them.
# Archives are made once in $CORPUS (default /dev/shm/valbrix-corpus).
# Usage: bench/window_listing_bench.sh [BUILD_DIR] [RUNS]
set -eu
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-$here/../build}" && pwd)
runs=${2:-5}
bench="$build/bench/window_listing_bench"
[ -x "$bench" ] || { echo "build $bench first (ninja -C $build window_listing_bench)" >&2; exit 2; }
corpus=${CORPUS:-/dev/shm/valbrix-corpus}
mkdir -p "$corpus"
million="$corpus/million.zip"
if [ ! -f "$million" ]; then
  python3 - "$million" <<'PY'
import sys, zipfile
# Names repeat from folder to folder, as in a source tree; the files are empty.
with zipfile.ZipFile(sys.argv[1], "w", zipfile.ZIP_STORED) as z:
    for folder in range(1000):
        for file in range(1000):
            z.writestr("dir%03d/file%04d.txt" % (folder, (file * 7919) % 1000), b"")
PY
fi
[ -f "$corpus/tiny.zip" ] || python3 "$here/make_corpus.py" "$corpus" >&2

median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
for archive in "$million" "$corpus/tiny.zip"; do
  : >"$corpus/listing.out"
  i=0
  while [ $i -lt "$runs" ]; do
    VALBRIX_BENCH_START=$(date +%s.%N) "$bench" "$archive" >>"$corpus/listing.out"
    i=$((i + 1))
  done
  rows=$(awk '/^rows/ { print $2; exit }' "$corpus/listing.out")
  echo "$(basename "$archive"): $rows rows, $(wc -c <"$archive") bytes, median of $runs runs:"
  for figure in listed_ms painted_ms peak_mb own_mb file_mb; do
    echo "  $figure $(awk -v f=$figure '$1 == f { print $2 }' "$corpus/listing.out" | median)"
  done
done
"$bench" "$corpus/tiny.zip" sort "$runs" | grep '^sort_ms\|^peak_after\|^filter_key'
