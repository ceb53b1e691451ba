#!/bin/sh
# "Archiv testen" in the window against `valbrix-cli test`: the 100 MB text
# archive (10 entries, deflate level 6) is tested by both, in alternating
# rounds so load on the shared machine falls on both alike. The window's
# figure is the time of its test command (progress bar, repaints and event
# pumping included, the summary answered by script); the command line's is
# the wall time of the whole process. Prints both medians and the ratio
# window/command line (of the medians, and the median of each round's ratio);
# the goal is <= 1.1.
# Usage: bench/window_test_bench.sh [BUILD_DIR] [ROUNDS]
# Environment: ARCHIVE (default /dev/shm/valbrix-corpus/text-deflate.zip, made
# by bench/make_corpus.py when missing), OUT (default /dev/shm/valbrix-wintest).
set -eu
here=$(cd "$(dirname "$0")" && pwd)
rounds=${2:-9}
default_out=/dev/shm/valbrix-wintest
. "$here/window_bench_setup.sh"

i=1
while [ "$i" -le "$rounds" ]; do
  "$bench" test "$archive" >>"$out/window.times"
  start=$(now)
  "$cli" test "$archive" >/dev/null
  end=$(now)
  echo "$start $end" | awk '{ printf "%.3f\n", $2 - $1 }' >>"$out/cli.times"
  echo "round $i: window $(tail -n 1 "$out/window.times") s, valbrix-cli $(tail -n 1 "$out/cli.times") s"
  i=$((i + 1))
done
w=$(median <"$out/window.times")
c=$(median <"$out/cli.times")
# The ratio of each round's pair as well: drift of the machine's speed between rounds cancels in it.
r=$(paste "$out/window.times" "$out/cli.times" | awk '{ printf "%.3f\n", $1 / $2 }' | median)
echo "median over $rounds rounds: window $w s, valbrix-cli $c s, ratio of medians $(echo "$w $c" | awk '{ printf "%.3f", $1 / $2 }'), median of paired ratios $r (goal <= 1.1)"
echo "load: $(cut -d' ' -f1-3 /proc/loadavg)"
rm -rf "$out"
