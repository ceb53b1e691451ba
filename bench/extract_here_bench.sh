#!/bin/sh
# "Hier entpacken" without the main window against `valbrix-cli extract -d`:
# the 20,000 small files are extracted beside a copy of the archive by
# `valbrix --extract-here` (offscreen, its progress window included) and into
# a folder by the command line, in alternating rounds so load on the shared
# machine falls on both alike; both are timed as whole processes. The first
# round's trees are compared with diff -r. Prints both medians and the ratio;
# the goal is <= 1.15.
# Usage: bench/extract_here_bench.sh [BUILD_DIR] [ROUNDS]
# Environment: ARCHIVE (default /dev/shm/valbrix-corpus/small.zip, made by
# bench/make_corpus.py when missing), OUT (default /dev/shm/valbrix-herebench).
set -eu
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-$here/../build}" && pwd)
rounds=${2:-7}
app="$build/app/valbrix"
cli="$build/cli/valbrix-cli"
for exe in "$app" "$cli"; do
  [ -x "$exe" ] || { echo "build $exe first (ninja -C $build valbrix valbrix-cli)" >&2; exit 2; }
done
archive=${ARCHIVE:-/dev/shm/valbrix-corpus/small.zip}
[ -f "$archive" ] || python3 "$here/make_corpus.py" >&2
out=${OUT:-/dev/shm/valbrix-herebench}
rm -rf "$out"
mkdir -p "$out/config" "$out/runtime"
chmod 700 "$out/runtime"
XDG_CONFIG_HOME="$out/config" XDG_RUNTIME_DIR="$out/runtime" QT_QPA_PLATFORM=offscreen
export XDG_CONFIG_HOME XDG_RUNTIME_DIR QT_QPA_PLATFORM
now() { date +%s.%N; }
median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
: >"$out/here.times"
: >"$out/cli.times"
i=1
while [ "$i" -le "$rounds" ]; do
  rm -rf "$out/here" "$out/cli"
  mkdir -p "$out/here" "$out/cli"
  cp "$archive" "$out/here/a.zip"
  sync
  start=$(now)
  "$app" --extract-here "$out/here/a.zip"
  end=$(now)
  echo "$start $end" | awk '{ printf "%.3f\n", $2 - $1 }' >>"$out/here.times"
  start=$(now)
  "$cli" extract -d "$out/cli" "$archive" >/dev/null
  end=$(now)
  echo "$start $end" | awk '{ printf "%.3f\n", $2 - $1 }' >>"$out/cli.times"
  if [ "$i" -eq 1 ]; then
    rm "$out/here/a.zip"
    # Beside the archive, or in its own folder "a" when the entries lie loose.
    tree="$out/here"
    [ -d "$out/here/a" ] && [ ! -d "$out/cli/a" ] && tree="$out/here/a"
    diff -r "$tree" "$out/cli" >/dev/null || { echo "the two trees differ" >&2; exit 1; }
    echo "round 1: trees identical ($(find "$out/cli" -type f | wc -l) files)"
  fi
  echo "round $i: --extract-here $(tail -n 1 "$out/here.times") s, valbrix-cli $(tail -n 1 "$out/cli.times") s"
  i=$((i + 1))
done
h=$(median <"$out/here.times")
c=$(median <"$out/cli.times")
echo "median over $rounds rounds: --extract-here $h s, valbrix-cli $c s, ratio $(echo "$h $c" | awk '{ printf "%.3f", $1 / $2 }') (goal <= 1.15)"
rm -rf "$out"
