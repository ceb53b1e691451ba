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
  strace                                    # proves an extraction never changes the current folder
  clang libclang-rt-14-dev                  # libFuzzer and sanitizer runtimes
  lld                                       # a linker several times faster than the default
  xvfb xauth                                # a display for the program on a headless machine
  desktop-file-utils xdg-utils              # the desktop's own checks of the ZIP association
  dpkg-dev                                  # the Debian package's dependencies (cpack)
  lintian appstream man-db                  # the package, its AppStream data and manual pages, checked
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

# Runs ctest in the build folder given, with the arguments after it, and
# prints one closing line "STAGE: N passed, N failed, N skipped" from its
# JUnit report (a skipped case is neither, and is counted apart so that
# it is seen). Returns ctest's status.
valbrix_ctest() {
  local stage="$1" folder="$2"
  shift 2
  local report="$folder/ctest-report.xml" status=0
  rm -f "$report"
  (cd "$folder" && ctest --output-junit ctest-report.xml "$@") || status=$?
  python3 - "$stage" "$report" <<'PY'
import sys, xml.etree.ElementTree as ET
stage, report = sys.argv[1], sys.argv[2]
try:
    root = ET.parse(report).getroot()
except (OSError, ET.ParseError):
    print(f"{stage}: 0 passed, 1 failed, 0 skipped (no ctest report)")
    sys.exit(0)
suite = root if root.tag == "testsuite" else root.find("testsuite")
total = int(suite.get("tests", 0))
failed = int(suite.get("failures", 0)) + int(suite.get("errors", 0) or 0)
skipped = int(suite.get("skipped", 0)) + int(suite.get("disabled", 0) or 0)
print(f"{stage}: {total - failed - skipped} passed, {failed} failed, {skipped} skipped")
PY
  return $status
}
