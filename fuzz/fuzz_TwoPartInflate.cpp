// Fuzz target of the ways one deflate entry is decoded on two cores. The
// first input byte picks the format (bit 0: Deflate64) and the next two a
// split bit; the rest is the raw stream, decoded three ways:
// - on one core, the reference;
// - in two legs of the one-core decoder, the first stopping before a block
//   at or after the split bit, the second starting there with its window:
//   bytes, CRC and result code must be the reference's, always;
// - by the leapfrog, legs here and marker chunks on a helper thread, with
//   stretches of a quarter of the stream: the same, always;
// - in two marker-decoded parts joined at a boundary searched near the
//   split: where joined, the reference must have ended cleanly with the
//   same bytes and CRC; where not, the caller falls back to the reference.
// The entry's stated size is capped at 256 KB and the search at a few
// thousand bits, so that a run stays cheap. Touches no files.
#include <algorithm>
#include <cstdint>
#include <mutex>
#include <vector>

#include "engine/codecs/Decoders.h"
#include "engine/codecs/InflateLeg.h"
#include "engine/codecs/LeapfrogInflate.h"
#include "engine/codecs/TwoPartInflate.h"
#include "engine/Crc32.h"
#include "engine/ResultCodes.h"
#include "fuzz/MemoryEnds.h"

namespace {

constexpr size_t OutputCap = size_t(1) << 18;
constexpr uint64_t SearchBits = 4096;
constexpr size_t HeaderBytes = 3;
constexpr uint32_t CrcStart = 0xFFFFFFFFu;

class TCollectingSink : public valbrix::TOutputSink {
public:
    bool Write(const uint8_t* data, size_t count) override
    {
        Bytes.insert(Bytes.end(), data, data + count);
        return true;
    }
    std::vector<uint8_t> Bytes;
};

struct TDecoded {
    int Result = 0;
    TCollectingSink Sink;
    uint32_t Crc = 0;
};

// A decoder run over stream[from, size) that counts positions from the stream's start.
struct TRun : valbrix::fuzz::TMemoryDecoderRun {
    TRun(const uint8_t* stream, size_t size, uint64_t from, TDecoded& out)
        : TMemoryDecoderRun(stream + from, size - from)
    {
        State.InputSize = size;
        State.BytesRead = from;
        State.OutputSize = OutputCap;
        State.OutputFile = &out.Sink;
        State.CrcValue = CrcStart;
    }
};

void DecodeOnOneCore(const uint8_t* stream, size_t size, bool wide, TDecoded& out)
{
    TRun run(stream, size, 0, out);
    out.Result = wide ? valbrix::Inflate64(run.State) : valbrix::Inflate(run.State);
    out.Crc = run.State.CrcValue;
}

void DecodeInLegs(const uint8_t* stream, size_t size, bool wide, uint64_t splitBit, TDecoded& out)
{
    const auto leg = wide ? valbrix::Inflate64Leg : valbrix::InflateLeg;
    std::vector<uint8_t> window(valbrix::LegWindowBytes(wide));
    valbrix::TInflateLeg first;
    first.StopBit = splitBit;
    first.EndWindow = window.data();
    TRun firstRun(stream, size, 0, out);
    out.Result = leg(firstRun.State, first);
    out.Crc = firstRun.State.CrcValue;
    if (!first.Stopped)
        return;
    if (out.Result != valbrix::erOk)
        __builtin_trap();
    valbrix::TInflateLeg second;
    second.StartBit = first.StoppedAt;
    second.StartWindow = window.data();
    second.StartUnsent = first.EndUnsent;
    TRun secondRun(stream, size, valbrix::LegFirstByte(first.StoppedAt), out);
    secondRun.State.BytesWritten = firstRun.State.BytesWritten;
    secondRun.State.CrcValue = firstRun.State.CrcValue;
    out.Result = leg(secondRun.State, second);
    out.Crc = secondRun.State.CrcValue;
}

class TCollectingAt : public valbrix::TPositionedOutput {
public:
    bool WriteAt(uint64_t position, const uint8_t* data, size_t count) override
    {
        const std::lock_guard lock(FMutex);
        if (Bytes.size() < position + count)
            Bytes.resize(position + count);
        std::copy(data, data + count, Bytes.begin() + ptrdiff_t(position));
        return true;
    }
    std::vector<uint8_t> Bytes;

private:
    std::mutex FMutex;
};

void DecodeLeapfrog(const uint8_t* stream, size_t size, bool wide, TDecoded& out)
{
    TDecoded unused;
    TRun run(stream, size, 0, unused);
    valbrix::fuzz::TMemoryInputAt input(stream, size);
    TCollectingAt output;
    valbrix::TLeapfrogOptions options;
    options.StretchBytes = options.ChunkBytes = std::max<size_t>(64, size / 4);
    options.SearchBits = 2048;
    options.MaxSymbols = OutputCap;
    out.Result = valbrix::LeapfrogInflate(run.State, wide, input, output, options);
    out.Crc = run.State.CrcValue;
    out.Sink.Bytes = std::move(output.Bytes);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < HeaderBytes)
        return 0;
    const bool wide = (data[0] & 1) != 0;
    const uint64_t streamBits = uint64_t(size - HeaderBytes) * 8;
    const uint64_t splitBit = (data[1] | uint64_t(data[2]) << 8) % (streamBits + 1);
    const uint8_t* const stream = data + HeaderBytes;
    const size_t streamSize = size - HeaderBytes;

    TDecoded one, legs;
    DecodeOnOneCore(stream, streamSize, wide, one);
    DecodeInLegs(stream, streamSize, wide, splitBit, legs);
    if (legs.Result != one.Result || legs.Sink.Bytes != one.Sink.Bytes || legs.Crc != one.Crc)
        __builtin_trap();
    TDecoded leapfrog;
    DecodeLeapfrog(stream, streamSize, wide, leapfrog);
    if (leapfrog.Result != one.Result || leapfrog.Sink.Bytes != one.Sink.Bytes || leapfrog.Crc != one.Crc)
        __builtin_trap();

    const uint64_t searchTo = std::min(streamBits, splitBit + SearchBits);
    const valbrix::TTwoPartOutcome two =
        wide ? valbrix::InflateInTwoParts<true>(stream, streamSize, splitBit, searchTo, OutputCap, CrcStart)
             : valbrix::InflateInTwoParts<false>(stream, streamSize, splitBit, searchTo, OutputCap, CrcStart);
    if (!two.Joined)
        return 0;
    if (one.Result != valbrix::erOk || one.Sink.Bytes != two.Bytes || one.Crc != two.Crc)
        __builtin_trap();
    // The combined CRC must also be the CRC of the joined bytes in one run.
    if (valbrix::Crc32Update(CrcStart, two.Bytes.data(), two.Bytes.size()) != two.Crc)
        __builtin_trap();
    return 0;
}
