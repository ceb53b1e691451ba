#!/bin/sh
# Opens an archive of 100,000 entries in the main window (offscreen) and
# reports how long until all rows are in the list; the goal is under one
# second. Builds the archive once with Python's zipfile (entries spread over
# folders, names out of order, a few bytes each).
# Usage: bench/open_archive_bench.sh [BUILD_DIR] [ENTRIES]
set -eu
build=${1:-$(dirname "$0")/../build}
entries=${2:-100000}
bench="$build/bench/open_archive_bench"
if [ ! -x "$bench" ]; then
  echo "build the target open_archive_bench first (ninja -C $build open_archive_bench)" >&2
  exit 1
fi
archive="${TMPDIR:-/tmp}/valbrix-bench-$entries.zip"
if [ ! -f "$archive" ]; then
  python3 - "$archive" "$entries" <<'PY'
import random, sys, zipfile
path, count = sys.argv[1], int(sys.argv[2])
rng = random.Random(1)
with zipfile.ZipFile(path, "w", zipfile.ZIP_STORED) as z:
    for i in range(count):
        name = "Ordner%03d/%s_%06d.txt" % (i % 500, rng.choice(["alpha", "Beta", "gamma", "Überblick", "setup"]), rng.randrange(10**6))
        info = zipfile.ZipInfo(name, date_time=(2000 + i % 25, 1 + i % 12, 1 + i % 28, i % 24, i % 60, 0))
        z.writestr(info, b"x" * (i % 7))
PY
fi
"$bench" "$archive" 5
