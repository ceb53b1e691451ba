// Placeholder until the decoder lands.
#include "Decoders.h"
#include "ResultCodes.h"

namespace valbrix {
int Explode(TEngineState&) { return erUnsupported; }
}  // namespace valbrix
