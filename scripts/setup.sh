#!/usr/bin/env bash
# Installs the Debian packages Valbrix needs that are missing (only those),
# then configures and builds in build/. Sourced by run.sh and test.sh.
set -euo pipefail

VALBRIX_PACKAGES=(
  g++ cmake ninja-build pkg-config           # toolchain
  qt6-base-dev qt6-translations-l10n libgl-dev  # GUI and its German translations
  libssl-dev                                # libcrypto: AES, PBKDF2 and HMAC of encrypted entries
  libbz2-dev liblzma-dev libzstd-dev        # the codec libraries of bzip2, LZMA/XZ and Zstandard
  libgtest-dev                              # engine and CLI tests
  zip unzip 7zip python3                    # black-box oracles that make and check test archives
  bzip2 xz-utils zstd                       # the tools whose streams the tests wrap into archives
  clang libclang-rt-14-dev                  # libFuzzer and sanitizer runtimes
  xvfb xauth                                # a display for the program on a headless machine
  desktop-file-utils xdg-utils              # the desktop's own checks of the ZIP association
  dpkg-dev                                  # the Debian package's dependencies (cpack)
)

valbrix_install_missing() {
  local missing=()
  for package in "${VALBRIX_PACKAGES[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
      missing+=("$package")
    fi
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing missing packages: ${missing[*]}"
  local sudo=()
  [ "$(id -u)" -ne 0 ] && sudo=(sudo)
  "${sudo[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

valbrix_build() {
  local top
  top="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
  cmake -S "$top" -B "$top/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build "$top/build" -j "$(nproc)"
}
