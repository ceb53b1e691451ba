// The compression methods the engine knows by number: which decoder runs
// each, the name the front ends show, and whether we decode it at all. The
// driver runs an entry through RunDecoder alone, and the window and the CLI
// ask CanDecode before anyone tries, so the two can never disagree.
#pragma once

#include <cstdint>
#include <string>

#include "engine/EngineState.h"
#include "engine/archive/ZipFormat.h"

namespace valbrix {

using TDecoder = int (*)(TEngineState& state, uint16_t method);

struct TMethodInfo {
    uint16_t Number;
    const char* Name;   // in English; the window words a few of them in German
    TDecoder Decode;    // null: known by name, not decoded
    bool CleanWindow;   // the decoder keeps its history in OutWindow and needs it zero-filled
};

// The row of a method number, or null for a number no archiver we know writes.
const TMethodInfo* FindMethod(uint16_t method);
bool CanDecode(uint16_t method);
// The method's English name ("Stored", "Deflate"), or its number in decimal for an unknown one.
std::string MethodName(uint16_t method);
// Runs the method's decoder over the prepared state; 6 for a method we do
// not decode, 4 for a stream that would write past the entry's stated size
// (nothing past it is written).
int RunDecoder(TEngineState& state, uint16_t method);

}  // namespace valbrix
