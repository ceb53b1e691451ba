// The decoders of the compression methods. Each takes the engine state set
// up by the driver (archive positioned at the compressed data, CrcValue
// initialised), writes through WriteOut or FlushWindow and returns a result
// code (ResultCodes.h). Unshrink, Unreduce and Explode keep their history in
// OutWindow and need it zero-filled; CopyStored and Inflate do not use it
// (Inflate keeps a larger history in the bulk scratch). Every write is
// bounded by the entry's stated size (TEngineState::WriteOut): a stream that
// would write more stops there, and RunDecoder turns it into 4; Inflate
// and the library-backed decoders give 4 themselves.
#pragma once

#include "engine/EngineState.h"

namespace valbrix {

int CopyStored(TEngineState& state);          // method 0
int Unshrink(TEngineState& state);            // method 1
int Unreduce(TEngineState& state, int method);// methods 2..5
int Explode(TEngineState& state);             // method 6
int Inflate(TEngineState& state);             // method 8
int Inflate64(TEngineState& state);           // method 9, Deflate64
int Unbzip2(TEngineState& state);             // method 12
int Unlzma(TEngineState& state);              // method 14
int Unzstd(TEngineState& state);              // method 93, Zstandard
int Unxz(TEngineState& state);                // method 95

}  // namespace valbrix
