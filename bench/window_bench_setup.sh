# Sourced by the window-against-command-line benchmarks: finds the two
# programs, the archive (made by make_corpus.py when missing) and an empty
# work folder with a config and runtime folder of its own, so the window's
# INI file never touches the user's. Expects $here, $1 (BUILD_DIR) and
# $default_out; sets build, bench, cli, archive, out (with empty window.times
# and cli.times), and now()/median().
build=$(cd "${1:-$here/../build}" && pwd)
bench="$build/bench/window_command_bench"
cli="$build/cli/valbrix-cli"
for exe in "$bench" "$cli"; do
  [ -x "$exe" ] || { echo "build $exe first (ninja -C $build window_command_bench valbrix-cli)" >&2; exit 2; }
done
archive=${ARCHIVE:-/dev/shm/valbrix-corpus/text-deflate.zip}
if [ ! -f "$archive" ]; then
  python3 "$here/make_corpus.py" >&2
fi
out=${OUT:-$default_out}
rm -rf "$out"
mkdir -p "$out/config" "$out/runtime"
chmod 700 "$out/runtime"
: >"$out/window.times"
: >"$out/cli.times"
XDG_CONFIG_HOME="$out/config"
XDG_RUNTIME_DIR="$out/runtime"
export XDG_CONFIG_HOME XDG_RUNTIME_DIR

now() { date +%s.%N; }
median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
