// Placeholder until archive I/O lands.
#include "EngineState.h"

namespace valbrix {
const uint16_t MaskBits[17] = {0x0000, 0x0001, 0x0003, 0x0007, 0x000F, 0x001F, 0x003F, 0x007F, 0x00FF,
                               0x01FF, 0x03FF, 0x07FF, 0x0FFF, 0x1FFF, 0x3FFF, 0x7FFF, 0xFFFF};
const uint32_t CrcTable[256] = {};
void TEngineState::UpdateCrc(const uint8_t*, size_t) {}
void TEngineState::PumpMessages() {}
void TEngineState::ReportProgress() {}
void TEngineState::RefillInput()
{
    InputEof = true;
    InLast = InBufSize - 1;
    InPos = 0;
}
bool TEngineState::FlushWindow(size_t) { return false; }
}  // namespace valbrix
