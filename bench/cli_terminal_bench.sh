#!/usr/bin/env bash
# What the terminal's progress line and summary cost: `valbrix-cli extract`
# of the 100,000 tiny files (tiny.zip of make_corpus.py), once with stderr on
# a terminal (under `script`) and once with stdout and stderr sent to files
# inside the same `script` call, so that only the progress and summary
# differ. farm-bench runs the two in turn and gives the ratio pair by pair.
#
# Usage: bench/cli_terminal_bench.sh [RUNS] [CORPUS_FOLDER]
set -euo pipefail
runs=${1:-10}
corpus=${2:-/dev/shm/valbrix-corpus}
here=$(cd "$(dirname "$0")" && pwd)
cli=${VALBRIX_CLI:-$here/../build/cli/valbrix-cli}
[ -x "$cli" ] || { echo "valbrix-cli not found at $cli (set VALBRIX_CLI)" >&2; exit 2; }
[ -f "$corpus/tiny.zip" ] || python3 "$here/make_corpus.py" "$corpus"
out=$(mktemp -d /dev/shm/valbrix-terminal.XXXXXX)
trap 'rm -rf "$out"' EXIT
farm-bench -n "$runs" --timeout 1800 \
    --vs "script -qc 'rm -rf $out/b && exec $cli extract -d $out/b $corpus/tiny.zip >$out/out.txt 2>$out/err.txt' /dev/null" \
    -- script -qc "rm -rf $out/a && exec $cli extract -d $out/a $corpus/tiny.zip" /dev/null
