#!/bin/sh
# The extraction job's figures: `valbrix-cli extract -j 1` and `-j 2`
# against unzip in the same rounds (bench/corpus_bench.py: paired per-round
# ratios, wall and CPU) on 20,000 small files, 100,000 tiny files and 100 MB
# of text in one deflated entry; then the peak memory (maximum resident set)
# of `-j 2` on each, and a trace of chdir/fchdir during `-j 2` on the small
# files, which must show none.
# Usage: bench/job_bench.sh [ROUNDS]
# Environment: VALBRIX_CLI (default build/cli/valbrix-cli), CORPUS (default
# /dev/shm/valbrix-corpus; made by bench/make_corpus.py where missing).
set -eu
here=$(cd "$(dirname "$0")" && pwd)
rounds=${1:-5}
cli=${VALBRIX_CLI:-$here/../build/cli/valbrix-cli}
corpus=${CORPUS:-/dev/shm/valbrix-corpus}
[ -x "$cli" ] || { echo "valbrix-cli not found at $cli (set VALBRIX_CLI)" >&2; exit 2; }
VALBRIX_CLI=$cli python3 "$here/corpus_bench.py" --rounds "$rounds" --corpus "$corpus" \
    --only small,tiny,text-one --tools valbrix-j1,valbrix-j2,unzip

out=$(mktemp -d "${TMPDIR:-/tmp}/valbrix-job-bench.XXXXXX")
trap 'rm -rf "$out"' EXIT
echo
echo "peak memory of valbrix-cli extract -j 2 (maximum resident set, KB)"
for name in small tiny text-one; do
    rm -rf "$out/x"
    mkdir "$out/x"
    /usr/bin/time -f "  $name: %M" "$cli" extract -j 2 -d "$out/x" "$corpus/$name.zip"
done
if command -v strace >/dev/null; then
    rm -rf "$out/x"
    mkdir "$out/x"
    strace -f -qq -e trace=chdir,fchdir -o "$out/trace" "$cli" extract -j 2 -d "$out/x" "$corpus/small.zip"
    echo
    echo "chdir/fchdir calls during valbrix-cli extract -j 2: $(grep -c 'chdir(' "$out/trace" || true)"
fi
