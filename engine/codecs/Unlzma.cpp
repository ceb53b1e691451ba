// Decodes ZIP method 14 (LZMA) for one entry: a 4-byte header (the
// writer's version, then the size of the properties, which must be 5), the
// 5 property bytes (lc/lp/pb and the dictionary size), then a raw LZMA
// stream, decoded by liblzma and fed by the shared stream loop
// (StreamPump.h). General purpose flag bit 1 says the stream ends with an
// end marker; without it the stream ends at the entry's uncompressed size.
// A dictionary over the engine's cap is refused (11) before anything is
// allocated; a header that is cut short or names impossible properties is
// bad data (4). An entry smaller than its dictionary gets a dictionary of
// its own size.
#include <algorithm>

#include "engine/codecs/Decoders.h"
#include "engine/codecs/LzmaCodec.h"
#include "engine/LittleEndian.h"
#include "engine/ResultCodes.h"

namespace valbrix {

namespace {

constexpr uint16_t gpLzmaEndMarker = 0x0002;
constexpr size_t LzmaHeaderBytes = 4;
constexpr uint16_t LzmaPropertiesBytes = 5;
constexpr unsigned MaxPropertiesByte = 9 * 5 * 5;  // lc < 9, lp < 5, pb < 5
constexpr uint32_t MinDictionaryBytes = 4096;       // smaller sizes mean this one

}  // namespace

int Unlzma(TEngineState& state)
{
    state.ResetInput();
    uint8_t header[LzmaHeaderBytes + LzmaPropertiesBytes];
    if (!ReadStreamHeader(state, header, LzmaHeaderBytes))
        return erFormat;
    if (Le16(header + 2) != LzmaPropertiesBytes)
        return erFormat;
    if (!ReadStreamHeader(state, header + LzmaHeaderBytes, LzmaPropertiesBytes))
        return erFormat;
    const uint8_t* const properties = header + LzmaHeaderBytes;
    if (properties[0] >= MaxPropertiesByte)
        return erFormat;
    const uint32_t dictionaryBytes = Le32(properties + 1);
    if (dictionaryBytes > MaxDictionaryBytes)
        return erMemoryLimit;

    lzma_options_lzma options = {};
    options.lc = properties[0] % 9;
    options.lp = properties[0] / 9 % 5;
    options.pb = properties[0] / 45;
    // No match reaches further back than the entry's output, which the
    // stream loop holds to its size (and one byte more to see a stream go
    // on): a larger dictionary would only be allocated and never used.
    uint32_t usedBytes = dictionaryBytes;
    if (state.OutputSize != UnknownSize && state.OutputSize < dictionaryBytes)
        usedBytes = uint32_t(state.OutputSize) + 1;
    options.dict_size = std::max(usedBytes, MinDictionaryBytes);
    // Without the end marker the size ends the stream; with it the marker
    // does, and the stream loop holds the output to the size.
    const bool endMarker = state.EntryFlags & gpLzmaEndMarker;
    const uint64_t size = endMarker || state.OutputSize == UnknownSize ? UINT64_MAX : state.OutputSize;
    options.ext_flags = LZMA_LZMA1EXT_ALLOW_EOPM;
    options.ext_size_low = uint32_t(size);
    options.ext_size_high = uint32_t(size >> 32);
    const lzma_filter filters[] = {{LZMA_FILTER_LZMA1EXT, &options}, {LZMA_VLI_UNKNOWN, nullptr}};

    TLzmaCodec codec;
    const lzma_ret status = lzma_raw_decoder(&codec.Stream, filters);
    if (status != LZMA_OK)
        return LzmaResult(status);
    return PumpStream(state, codec);
}

}  // namespace valbrix
