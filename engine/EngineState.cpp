// Operations on the shared engine state: buffered input with its end-of-data
// rule, flushing the output window with the CRC-32 update and the bound of
// the entry's stated size, message pumping,
// and progress reporting with the abort poll (the CRC-32 itself is in
// Crc32.cpp). Bad input cannot make anything here read or write outside the
// state's buffers: a failed read only sets InputEof and offers the old
// buffer again.
#include "engine/EngineState.h"

#include <algorithm>

#include "platform/Clock.h"

namespace valbrix {

const uint16_t MaskBits[17] = {0x0000, 0x0001, 0x0003, 0x0007, 0x000F, 0x001F, 0x003F, 0x007F, 0x00FF,
                               0x01FF, 0x03FF, 0x07FF, 0x0FFF, 0x1FFF, 0x3FFF, 0x7FFF, 0xFFFF};

void TEngineState::UpdateCrc(const uint8_t* data, size_t length)
{
    if (CrcWanted)
        CrcValue = Crc32Update(CrcValue, data, length);
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
        AbortFlag = value == AbortProgress;
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

bool TEngineState::WriteOut(const uint8_t* data, size_t count)
{
    // BytesWritten never passes OutputSize, so the difference cannot wrap.
    if (OutputSize != UnknownSize && count > OutputSize - BytesWritten) {
        OutputOverrun = true;
        return false;
    }
    BytesWritten += count;
    const bool written = OutputFile && OutputFile->Write(data, count);
    UpdateCrc(data, count);
    return written;
}

bool TEngineState::FlushWindow(size_t count)
{
    return WriteOut(OutWindow, count);
}

uint8_t* TEngineState::BulkBlock(size_t count)
{
    count = std::min(count, BulkBlockSize);
    if (BulkBufferSize < count) {
        BulkBuffer = std::make_unique_for_overwrite<uint8_t[]>(count);
        BulkBufferSize = count;
    }
    return BulkBuffer.get();
}

}  // namespace valbrix
