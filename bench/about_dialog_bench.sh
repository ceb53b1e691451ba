#!/bin/sh
# Opens the About dialog through "Info..." again and again and reports how
# long until it is shown and painted; the goal is under 200 ms. Runs on the
# current display, on a private Xvfb display when there is none and Xvfb is
# installed, else offscreen.
# Usage: bench/about_dialog_bench.sh [BUILD_DIR] [RUNS]
set -eu
build=${1:-$(dirname "$0")/../build}
runs=${2:-10}
bench="$build/bench/about_dialog_bench"
if [ ! -x "$bench" ]; then
  echo "build the target about_dialog_bench first (ninja -C $build about_dialog_bench)" >&2
  exit 1
fi
if [ -z "${DISPLAY:-}" ] && command -v xvfb-run >/dev/null; then
  exec xvfb-run -a "$bench" "$runs"
fi
exec "$bench" "$runs"
