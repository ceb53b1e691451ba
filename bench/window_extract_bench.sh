#!/bin/sh
# Extraction through the window against `valbrix-cli extract`: the 100 MB text
# archive (10 entries, deflate level 6) is extracted into a tmpfs folder by
# both, in alternating rounds so load on the shared machine falls on both
# alike. The window's figure is the time of its extraction command (progress
# bar, repaints and event pumping included, dialogs answered by script); the
# command line's is the wall time of the whole process. Each round starts with
# an empty folder, and the first round's two trees are compared with diff -r.
# Prints both medians and the ratio window/command line; the goal is <= 1.1.
# Usage: bench/window_extract_bench.sh [BUILD_DIR] [ROUNDS]
# Environment: ARCHIVE (default /dev/shm/valbrix-corpus/text-deflate.zip, made
# by bench/make_corpus.py when missing), OUT (default /dev/shm/valbrix-winbench).
set -eu
here=$(cd "$(dirname "$0")" && pwd)
rounds=${2:-7}
default_out=/dev/shm/valbrix-winbench
. "$here/window_bench_setup.sh"

i=1
while [ "$i" -le "$rounds" ]; do
  rm -rf "$out/window" "$out/cli"
  mkdir -p "$out/window" "$out/cli"
  sync
  "$bench" extract "$archive" "$out/window" >>"$out/window.times"
  start=$(now)
  "$cli" extract -d "$out/cli" --overwrite "$archive" >/dev/null
  end=$(now)
  echo "$start $end" | awk '{ printf "%.3f\n", $2 - $1 }' >>"$out/cli.times"
  if [ "$i" -eq 1 ]; then
    diff -r "$out/window" "$out/cli" >/dev/null || { echo "the two trees differ" >&2; exit 1; }
    echo "round 1: trees identical ($(find "$out/cli" -type f | wc -l) files, $(du -sm "$out/cli" | cut -f1) MB)"
  fi
  echo "round $i: window $(tail -n 1 "$out/window.times") s, valbrix-cli $(tail -n 1 "$out/cli.times") s"
  i=$((i + 1))
done
w=$(median <"$out/window.times")
c=$(median <"$out/cli.times")
echo "median over $rounds rounds: window $w s, valbrix-cli $c s, ratio $(echo "$w $c" | awk '{ printf "%.3f", $1 / $2 }') (goal <= 1.1)"
rm -rf "$out"
