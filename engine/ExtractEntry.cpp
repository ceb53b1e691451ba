// Placeholder until the driver lands.
#include "ExtractEntry.h"
#include "ResultCodes.h"

namespace valbrix {
TExtractionDriver::TExtractionDriver() = default;
TExtractionDriver::~TExtractionDriver() = default;
int TExtractionDriver::ExtractEntry(const std::string&, const std::string&, uint16_t, uint32_t, TProgressReceiver*,
                                    int16_t, std::optional<uint32_t>, std::optional<uint32_t>)
{
    return erUnsupported;
}
}  // namespace valbrix
