// Operations on the shared engine state: buffered input with its end-of-data
// rule, flushing the output window with the CRC-32 update, message pumping,
// and progress reporting with the abort poll. The CRC tables are computed at
// compile time and held as constant data. Bad input cannot make anything here
// read or write outside the state's buffers: a failed read only sets
// InputEof and offers the old buffer again.
#include "EngineState.h"
#include "LittleEndian.h"

#include <array>
#include <bit>
#include <cstring>

#include "platform/Clock.h"

namespace valbrix {

const uint16_t MaskBits[17] = {0x0000, 0x0001, 0x0003, 0x0007, 0x000F, 0x001F, 0x003F, 0x007F, 0x00FF,
                               0x01FF, 0x03FF, 0x07FF, 0x0FFF, 0x1FFF, 0x3FFF, 0x7FFF, 0xFFFF};

namespace {

constexpr uint32_t CrcPolynomial = 0xEDB88320u;

constexpr uint32_t CrcEntry(uint32_t index)
{
    uint32_t crc = index;
    for (int bit = 0; bit < 8; ++bit)
        crc = (crc >> 1) ^ (CrcPolynomial & (0u - (crc & 1u)));
    return crc;
}

}  // namespace

#define VALBRIX_CRC4(i) CrcEntry(i), CrcEntry(i + 1), CrcEntry(i + 2), CrcEntry(i + 3)
#define VALBRIX_CRC16(i) VALBRIX_CRC4(i), VALBRIX_CRC4(i + 4), VALBRIX_CRC4(i + 8), VALBRIX_CRC4(i + 12)
#define VALBRIX_CRC64(i) VALBRIX_CRC16(i), VALBRIX_CRC16(i + 16), VALBRIX_CRC16(i + 32), VALBRIX_CRC16(i + 48)
constexpr uint32_t CrcTable[256] = {VALBRIX_CRC64(0), VALBRIX_CRC64(64), VALBRIX_CRC64(128), VALBRIX_CRC64(192)};
#undef VALBRIX_CRC64
#undef VALBRIX_CRC16
#undef VALBRIX_CRC4

static_assert(CrcTable[1] == 0x77073096u && CrcTable[255] == 0x2D02EF8Du);

namespace {

// Slice k maps a byte to the CRC contribution of that byte followed by k zero
// bytes, so eight bytes fold into the register with eight independent lookups
// instead of a chain of eight dependent ones. Slice 0 is CrcTable itself.
using CrcSliceTable = std::array<std::array<uint32_t, 256>, 8>;

constexpr CrcSliceTable MakeCrcSlices()
{
    CrcSliceTable slices{};
    for (uint32_t i = 0; i < 256; ++i)
        slices[0][i] = CrcTable[i];
    for (size_t k = 1; k < slices.size(); ++k)
        for (uint32_t i = 0; i < 256; ++i)
            slices[k][i] = (slices[k - 1][i] >> 8) ^ CrcTable[slices[k - 1][i] & 0xFFu];
    return slices;
}

alignas(64) constexpr CrcSliceTable CrcSlices = MakeCrcSlices();

}  // namespace

void TEngineState::UpdateCrc(const uint8_t* data, size_t length)
{
    uint32_t crc = CrcValue;
    const auto& s = CrcSlices;
    for (; length >= 8; data += 8, length -= 8) {
        const uint32_t low = LoadLe32(data) ^ crc;
        const uint32_t high = LoadLe32(data + 4);
        crc = s[7][low & 0xFF] ^ s[6][(low >> 8) & 0xFF] ^ s[5][(low >> 16) & 0xFF] ^ s[4][low >> 24] ^
              s[3][high & 0xFF] ^ s[2][(high >> 8) & 0xFF] ^ s[1][(high >> 16) & 0xFF] ^ s[0][high >> 24];
    }
    for (; length > 0; ++data, --length)
        crc = CrcTable[(crc ^ *data) & 0xFF] ^ (crc >> 8);
    CrcValue = crc;
}

void TEngineState::PumpMessages()
{
    LastPumpTick = TickCount ? TickCount() : platform::GetTickCount();
    if (PumpHook)
        PumpHook();
}

void TEngineState::ReportProgress()
{
    if (InputSize == 0)
        return;
    uint64_t percent;
    if (BytesRead <= 1000000)
        percent = BytesRead * 100 / InputSize;
    else
        percent = uint64_t(double(BytesRead) * 100.0 / double(InputSize));
    if (percent > 100)
        percent = 100;
    if (int16_t(percent) == LastPercent)
        return;
    LastPercent = int16_t(percent);
    if (NotifyWindow) {
        uint16_t value = uint16_t(percent);
        NotifyWindow->Progress(NotifyCode, value);
        AbortFlag = value == 0xFFFF;
    } else if (NotifyCode != 0) {
        AbortFlag = IsKeyDown && IsKeyDown(NotifyCode);
    }
}

void TEngineState::RefillInput()
{
    // The 2-byte slack lets a decoder take the last bits of its data even when
    // they sit in the final bytes. InputSize is at most MaxEntrySize, so the
    // sum cannot wrap.
    if (BytesRead > InputSize + 2) {
        InputEof = true;
        InLast = int32_t(InBufSize) - 1;
    } else {
        PumpMessages();
        ReportProgress();
        long count = ArchiveFile ? ArchiveFile->Read(InBuf, InBufSize) : -1;
        if (count <= 0) {
            // The old buffer is offered again; only InputEof tells the decoder it is junk.
            count = long(InBufSize);
            InputEof = true;
        }
        BytesRead += uint64_t(count);
        InLast = int32_t(count) - 1;
    }
    InPos = 0;
}

bool TEngineState::FlushWindow(size_t count)
{
    const bool written = OutputFile && OutputFile->Write(OutWindow, count);
    UpdateCrc(OutWindow, count);
    return written;
}

}  // namespace valbrix
