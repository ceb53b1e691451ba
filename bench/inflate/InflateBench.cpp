// Decoding speed of the deflate decoder alone: a raw deflate stream is held
// in memory and decoded through the engine state as the driver runs it
// (2048-byte refills, output in 32 KB pieces with the CRC-32 update), into a
// sink that drops the bytes. Reports the best of several runs in MB/s of
// output, for the fast decoder and for the byte-wise mode; and for the
// two-part decoder on two threads (the boundary searched from the stream's
// middle), which holds the whole output in memory; and for the leapfrog
// (one-core legs on this thread, marker chunks on a helper), whose output
// is dropped as written.
//
// Usage: inflate_bench STREAM.deflate [RUNS] [fast|byte-wise|two-part|leapfrog]
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
#include "engine/codecs/LeapfrogInflate.h"
#include "engine/codecs/TwoPartInflate.h"
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

TRun DecodeInTwoParts(const std::vector<uint8_t>& stream)
{
    const auto start = std::chrono::steady_clock::now();
    const valbrix::TTwoPartOutcome outcome = valbrix::InflateInTwoParts<false>(
        stream.data(), stream.size(), stream.size() * 4, stream.size() * 8, size_t(1) << 32, 0xFFFFFFFFu);
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    return {outcome.Joined ? 0 : -1, outcome.Bytes.size(), ~outcome.Crc, elapsed.count()};
}

class TDropAt : public valbrix::TPositionedOutput {
public:
    bool WriteAt(uint64_t, const uint8_t*, size_t) override { return true; }
};

TRun DecodeLeapfrog(const std::vector<uint8_t>& stream)
{
    valbrix::fuzz::TMemoryDecoderRun run(stream.data(), stream.size());
    valbrix::fuzz::TMemoryInputAt input(stream.data(), stream.size());
    TDropAt output;
    uint64_t taken = 0;
    valbrix::TLeapfrogOptions options;
    options.ChunksTaken = &taken;
    if (const char* stretch = std::getenv("LEAPFROG_STRETCH_KB"))
        options.StretchBytes = uint64_t(std::atoll(stretch)) * 1024;
    if (const char* chunk = std::getenv("LEAPFROG_CHUNK_KB"))
        options.ChunkBytes = uint64_t(std::atoll(chunk)) * 1024;
    const auto start = std::chrono::steady_clock::now();
    const int result = valbrix::LeapfrogInflate(run.State, false, input, output, options);
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    std::fprintf(stderr, "leapfrog: %llu chunks taken\n", static_cast<unsigned long long>(taken));
    return {result, run.State.BytesWritten, ~run.State.CrcValue, elapsed.count()};
}

void Report(const char* name, const std::vector<uint8_t>& stream, int mode, int runs)
{
    TRun best{};
    for (int i = 0; i < runs; ++i) {
        const TRun run = mode == 3   ? DecodeLeapfrog(stream)
                         : mode == 2 ? DecodeInTwoParts(stream)
                                     : DecodeOnce(stream, mode == 1);
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
        std::fprintf(stderr, "usage: %s STREAM.deflate [RUNS] [fast|byte-wise|two-part|leapfrog]\n", argv[0]);
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    const std::vector<uint8_t> stream((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
    std::printf("stream: %zu bytes\n", stream.size());
    const char* only = argc > 3 ? argv[3] : "";
    const char* const names[] = {"fast", "byte-wise", "two-part", "leapfrog"};
    for (int mode = 0; mode < 4; ++mode)
        if (*only ? std::strcmp(only, names[mode]) == 0 : mode < 2)
            Report(names[mode], stream, mode, runs);
    return 0;
}
