#!/bin/sh
# Opening an archive of 100,000 entries whose end record and central
# directory are gone (the local headers are walked) against the same
# archive whole (the directory is read); the goal is at most 3 times the
# directory's time. Builds the archive once with Python's zipfile and cuts
# it at its directory.
# Usage: bench/recovery_bench.sh [BUILD_DIR] [ENTRIES] [RUNS]
set -eu
build=${1:-$(dirname "$0")/../build}
entries=${2:-100000}
runs=${3:-11}
bench="$build/bench/recovery_bench"
if [ ! -x "$bench" ]; then
  echo "build the target recovery_bench first (ninja -C $build recovery_bench)" >&2
  exit 1
fi
whole="${TMPDIR:-/tmp}/valbrix-recovery-$entries.zip"
cut="${TMPDIR:-/tmp}/valbrix-recovery-$entries-cut.zip"
if [ ! -f "$whole" ] || [ ! -f "$cut" ]; then
  python3 - "$whole" "$cut" "$entries" <<'PY'
import random, struct, sys, zipfile
whole, cut, count = sys.argv[1], sys.argv[2], int(sys.argv[3])
rng = random.Random(1)
with zipfile.ZipFile(whole, "w", zipfile.ZIP_DEFLATED) as z:
    for i in range(count):
        name = "Ordner%03d/%s_%06d.txt" % (i % 500, rng.choice(["alpha", "Beta", "gamma", "setup"]), rng.randrange(10**6))
        z.writestr(name, ("line %d\n" % i) * (1 + i % 20))
data = open(whole, "rb").read()
directory = struct.unpack("<I", data[-6:-2])[0]
open(cut, "wb").write(data[:directory])
PY
fi
"$bench" "$whole" "$cut" "$runs"
