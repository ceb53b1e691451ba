# Shared by the fuzz scripts: the fuzz build (clang, libFuzzer, address and
# undefined-behaviour sanitizers) in build-fuzz, and the list of targets.

valbrix_fuzz_build() {
  CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DVALBRIX_FUZZ=ON -DVALBRIX_GUI=OFF -DVALBRIX_TESTS=OFF >/dev/null
  cmake --build build-fuzz -j "$(nproc)"
}

# Prints every fuzz target's name, one a line.
valbrix_fuzz_targets() {
  for source in fuzz/fuzz_*.cpp; do basename "$source" .cpp; done
}
