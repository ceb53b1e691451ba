#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/setup.sh
valbrix_install_missing
valbrix_build
valbrix_ctest tests build --output-on-failure -j "$(nproc)" --timeout 900
