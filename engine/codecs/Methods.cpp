// The method table; see the header.
#include "engine/codecs/Methods.h"

#include <cstring>

#include "engine/archive/ZipFormat.h"
#include "engine/codecs/Decoders.h"
#include "engine/ResultCodes.h"

namespace valbrix {
namespace {

int ReduceDecoder(TEngineState& state, uint16_t method) { return Unreduce(state, method); }

constexpr TMethodInfo MethodTable[] = {
    {zmStored, "Stored", [](TEngineState& s, uint16_t) { return CopyStored(s); }, false},
    {zmShrunk, "Shrink", [](TEngineState& s, uint16_t) { return Unshrink(s); }, true},
    {zmReduced1, "Reduce 1", ReduceDecoder, true},
    {zmReduced2, "Reduce 2", ReduceDecoder, true},
    {zmReduced3, "Reduce 3", ReduceDecoder, true},
    {zmReduced4, "Reduce 4", ReduceDecoder, true},
    {zmImploded, "Implode", [](TEngineState& s, uint16_t) { return Explode(s); }, true},
    {zmTokenized, "Tokenize", nullptr, false},
    {zmDeflated, "Deflate", [](TEngineState& s, uint16_t) { return Inflate(s); }, false},
    {zmDeflate64, "Deflate64", [](TEngineState& s, uint16_t) { return Inflate64(s); }, false},
    {zmDclImploded, "DCL Implode", nullptr, false},
    {zmBzip2, "BZip2", [](TEngineState& s, uint16_t) { return Unbzip2(s); }, false},
    {zmLzma, "LZMA", [](TEngineState& s, uint16_t) { return Unlzma(s); }, false},
    {zmTerse, "IBM TERSE", nullptr, false},
    {zmLz77, "LZ77", nullptr, false},
    {zmZstandard, "Zstandard", [](TEngineState& s, uint16_t) { return Unzstd(s); }, false},
    {zmMp3, "MP3", nullptr, false},
    {zmXz, "XZ", [](TEngineState& s, uint16_t) { return Unxz(s); }, false},
    {zmJpeg, "JPEG", nullptr, false},
    {zmWavPack, "WavPack", nullptr, false},
    {zmPpmd, "PPMd", nullptr, false},
    {zmAes, "AES", nullptr, false},
};

}  // namespace

const TMethodInfo* FindMethod(uint16_t method)
{
    for (const TMethodInfo& info : MethodTable)
        if (info.Number == method)
            return &info;
    return nullptr;
}

bool CanDecode(uint16_t method)
{
    const TMethodInfo* info = FindMethod(method);
    return info && info->Decode;
}

std::string MethodName(uint16_t method)
{
    const TMethodInfo* info = FindMethod(method);
    return info ? info->Name : std::to_string(method);
}

int RunDecoder(TEngineState& state, uint16_t method)
{
    const TMethodInfo* info = FindMethod(method);
    if (!info || !info->Decode)
        return erUnsupported;
    // The legacy decoders have always found the window clean; the others
    // keep no history there, and for a run of small entries the fill would
    // cost more than the decoding.
    if (info->CleanWindow)
        std::memset(state.OutWindow, 0, WindowSize);
    state.BytesWritten = 0;
    state.OutputOverrun = false;
    const int result = info->Decode(state, method);
    // The decoder saw only a refused write; a stream that goes on past the
    // entry's size is bad data (a bomb), whichever method it is.
    return state.OutputOverrun ? erFormat : result;
}

}  // namespace valbrix
