// The decoders of the compression methods. Each takes the engine state set
// up by the driver (archive positioned at the compressed data, OutWindow
// zero-filled, CrcValue initialised), writes through FlushWindow and returns
// a result code (ResultCodes.h).
#pragma once

#include "EngineState.h"

namespace valbrix {

int CopyStored(TEngineState& state);          // method 0
int Unshrink(TEngineState& state);            // method 1
int Unreduce(TEngineState& state, int method);// methods 2..5
int Explode(TEngineState& state);             // method 6
int Inflate(TEngineState& state);             // method 8

}  // namespace valbrix
