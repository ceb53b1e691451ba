// Fuzz target of the two-part deflate decoder. The first input byte picks
// the format (bit 0: Deflate64) and the next two where the boundary search
// starts; the rest is the raw stream. It is decoded on one core and in two
// parts: where the parts are joined, the one-core decoder must have ended
// cleanly with the same bytes and CRC, else the join gave bytes the entry
// does not hold; where they are not joined, the one-core result is the
// entry's, as the caller falls back to it. Output of both is capped at
// 1 MB. Touches no files.
#include <cstdint>
#include <vector>

#include "engine/codecs/Decoders.h"
#include "engine/codecs/TwoPartInflate.h"
#include "engine/Crc32.h"
#include "engine/ResultCodes.h"
#include "fuzz/MemoryEnds.h"

namespace {

constexpr size_t OutputCap = size_t(1) << 20;
constexpr size_t HeaderBytes = 3;
constexpr uint32_t CrcStart = 0xFFFFFFFFu;

// Collects the one-core output, failing past the cap.
class TCollectingSink : public valbrix::TOutputSink {
public:
    bool Write(const uint8_t* data, size_t count) override
    {
        if (Bytes.size() + count > OutputCap)
            return false;
        Bytes.insert(Bytes.end(), data, data + count);
        return true;
    }
    std::vector<uint8_t> Bytes;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < HeaderBytes)
        return 0;
    const bool wide = (data[0] & 1) != 0;
    const uint64_t streamBits = uint64_t(size - HeaderBytes) * 8;
    const uint64_t searchFrom = (data[1] | uint64_t(data[2]) << 8) % (streamBits + 1);
    const uint8_t* const stream = data + HeaderBytes;
    const size_t streamSize = size - HeaderBytes;

    const valbrix::TTwoPartOutcome two =
        wide ? valbrix::InflateInTwoParts<true>(stream, streamSize, searchFrom, streamBits, OutputCap, CrcStart)
             : valbrix::InflateInTwoParts<false>(stream, streamSize, searchFrom, streamBits, OutputCap, CrcStart);
    if (!two.Joined)
        return 0;

    valbrix::fuzz::TMemoryDecoderRun run(stream, streamSize);
    TCollectingSink sink;
    run.State.OutputFile = &sink;
    run.State.CrcValue = CrcStart;
    const int result = wide ? valbrix::Inflate64(run.State) : valbrix::Inflate(run.State);
    if (result != valbrix::erOk || sink.Bytes != two.Bytes || run.State.CrcValue != two.Crc)
        __builtin_trap();
    // The combined CRC must also be the CRC of the joined bytes in one run.
    if (valbrix::Crc32Update(CrcStart, two.Bytes.data(), two.Bytes.size()) != two.Crc)
        __builtin_trap();
    return 0;
}
