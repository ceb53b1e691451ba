// Decoding speed of the deflate decoder alone: a raw deflate stream is held
// in memory and decoded through the engine state as the driver runs it
// (2048-byte refills, output in 32 KB pieces with the CRC-32 update), into a
// sink that drops the bytes. Reports the best of several runs in MB/s of
// output, for the fast decoder and for the byte-wise mode.
//
// Usage: inflate_bench STREAM.deflate [RUNS] [fast|byte-wise]
//   make a stream with: python3 bench/inflate/make_stream.py CORPUS STREAM.deflate
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <vector>

#include "engine/codecs/Decoders.h"
#include "engine/codecs/InflateTables.h"
#include "fuzz/MemoryEnds.h"

namespace {

struct TRun {
    int Result;
    uint64_t Written;
    uint32_t Crc;
    double Seconds;
};

TRun DecodeOnce(const std::vector<uint8_t>& stream, bool byteWise)
{
    valbrix::fuzz::TMemoryDecoderRun run(stream.data(), stream.size());
    valbrix::TEngineState& state = run.State;
    const auto start = std::chrono::steady_clock::now();
    const int result = byteWise ? valbrix::InflateByteWise(state) : valbrix::Inflate(state);
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    return {result, run.Sink.Written, ~state.CrcValue, elapsed.count()};
}

void Report(const char* name, const std::vector<uint8_t>& stream, bool byteWise, int runs)
{
    TRun best{};
    for (int i = 0; i < runs; ++i) {
        const TRun run = DecodeOnce(stream, byteWise);
        if (i == 0 || run.Seconds < best.Seconds)
            best = run;
    }
    std::printf("%-10s result %d  %llu bytes  crc %08x  best %.3f s  %.1f MB/s\n", name, best.Result,
                static_cast<unsigned long long>(best.Written), best.Crc, best.Seconds,
                double(best.Written) / 1e6 / best.Seconds);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s STREAM.deflate [RUNS] [fast|byte-wise]\n", argv[0]);
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    const std::vector<uint8_t> stream((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
    std::printf("stream: %zu bytes\n", stream.size());
    const char* only = argc > 3 ? argv[3] : "";
    if (std::strcmp(only, "byte-wise") != 0)
        Report("fast", stream, false, runs);
    if (std::strcmp(only, "fast") != 0)
        Report("byte-wise", stream, true, runs);
    return 0;
}
