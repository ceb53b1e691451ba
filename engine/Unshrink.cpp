// Placeholder until the decoder lands.
#include "Decoders.h"
#include "ResultCodes.h"

namespace valbrix {
int Unshrink(TEngineState&) { return erUnsupported; }
}  // namespace valbrix
