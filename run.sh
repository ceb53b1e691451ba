#!/usr/bin/env bash
# Installs what is missing, builds, and starts Valbrix with the archive given.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/setup.sh
valbrix_install_missing
valbrix_build
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && command -v xvfb-run >/dev/null; then
  # No display: run on a virtual one so the program still starts, and say so,
  # or a newcomer waits for a window that never shows.
  echo "No display found: Valbrix runs on an invisible virtual display (xvfb-run); Ctrl+C ends it. For work without a display use build/cli/valbrix-cli." >&2
  exec xvfb-run -a ./build/app/valbrix "$@"
fi
exec ./build/app/valbrix "$@"
