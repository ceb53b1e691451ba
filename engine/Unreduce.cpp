// Placeholder until the decoder lands.
#include "Decoders.h"
#include "ResultCodes.h"

namespace valbrix {
int Unreduce(TEngineState&, int) { return erUnsupported; }
}  // namespace valbrix
