# Shared by the fuzz scripts: the fuzz build (clang, libFuzzer, address and
# undefined-behaviour sanitizers) in build-fuzz, and the list of targets.

# Only the targets are built (not the CLI), and with line tables only
# (-g1): a finding's stack keeps file and line.
valbrix_fuzz_build() {
  local targets
  mapfile -t targets < <(valbrix_fuzz_targets)
  CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O2 -g1 -DNDEBUG" \
    -DVALBRIX_FUZZ=ON -DVALBRIX_GUI=OFF -DVALBRIX_TESTS=OFF -DVALBRIX_BENCH=OFF >/dev/null
  cmake --build build-fuzz -j "$(nproc)" --target "${targets[@]}"
}

# Prints every fuzz target's name, one a line.
valbrix_fuzz_targets() {
  for source in fuzz/fuzz_*.cpp; do basename "$source" .cpp; done
}
