// The shared state of one extraction: buffered input of compressed data, the
// bit reader, the 32 KB output window that doubles as the legacy decoders'
// sliding dictionary, a bulk scratch (stored copies, inflate's history and
// tables), the running CRC-32, and the progress/abort state. The driver
// owns one instance; tests create their own. Input and output go through the
// small source/sink interfaces below, so a decoder can run on a crafted
// stream held in memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>

#include "engine/Crc32.h"
#include "engine/NoCoverage.h"

namespace valbrix {

// Where compressed bytes come from (the archive, positioned at the data).
class TInputSource {
public:
    virtual ~TInputSource() = default;
    // Reads up to count bytes; returns the number delivered, 0 at the end, -1 on an I/O error.
    virtual long Read(uint8_t* buffer, size_t count) = 0;
};

// Where decoded bytes go (the output file).
class TOutputSink {
public:
    virtual ~TOutputSink() = default;
    // True only when all count bytes were written.
    virtual bool Write(const uint8_t* data, size_t count) = 0;
};

// What a progress receiver writes into the percentage to ask for an abort.
constexpr uint16_t AbortProgress = 0xFFFF;

// Stands in for the notification window: receives the whole-number percentage
// and may write AbortProgress into it to ask for an abort.
class TProgressReceiver {
public:
    virtual ~TProgressReceiver() = default;
    virtual void Progress(int16_t notifyCode, uint16_t& percent) = 0;
};

// Size the driver stores when the local header gives none: 2^31 - 1 - 100,
// leaving room for the 2-byte slack of the end-of-input test.
constexpr uint32_t UnknownSize = 2147483547u;
// Largest size the driver hands a decoder: far beyond any real file, and low
// enough that a decoder may count it in bits in a signed 64-bit number.
constexpr uint64_t MaxEntrySize = uint64_t(1) << 56;
static_assert(MaxEntrySize * 8 < uint64_t(INT64_MAX));
constexpr size_t InBufSize = 2048;
constexpr size_t WindowSize = 32768;
// Largest block of a copy that bypasses the window: large enough that each
// read and write system call moves a lot, small enough to stay in cache.
constexpr size_t BulkBlockSize = 256 * 1024;

// MaskBits[n] = 2^n - 1 for n = 0..16.
extern const uint16_t MaskBits[17];

// A library decoder's context, kept from one entry to the next as the bulk
// scratch is: making a fresh one (and its buffers) per entry cost more than
// decoding a small entry.
class TKeptDecoder {
public:
    virtual ~TKeptDecoder() = default;
};

struct TEngineState {
    TInputSource* ArchiveFile = nullptr;   // the archive, read-only
    TOutputSink* OutputFile = nullptr;     // the file being written
    uint8_t InBuf[InBufSize] = {};         // input buffer
    int32_t InPos = 0;                     // index of the next byte to deliver
    int32_t InLast = -1;                   // index of the last valid byte; -1 = empty
    // Bit accumulator, consumed from the least significant end. Wider than the
    // 23 bits the byte-wise FillBits needs, so fast paths may refill by words.
    uint64_t BitBuf = 0;
    uint8_t BitCount = 0;                  // valid bits in BitBuf
    bool InputEof = false;                 // compressed data used up or a read failed
    uint64_t InputSize = 0;                // compressed size, or UnknownSize (at most MaxEntrySize)
    uint64_t BytesRead = 0;                // compressed bytes read so far (64-bit: no wrap near 4 GiB)
    uint64_t OutputSize = 0;               // uncompressed size, or UnknownSize (at most MaxEntrySize)
    // Bytes WriteOut has written for this entry (RunDecoder starts it at 0).
    // A write that would pass OutputSize is refused whole and sets
    // OutputOverrun: the stream holds more than the entry says, bad data.
    uint64_t BytesWritten = 0;
    bool OutputOverrun = false;
    uint8_t* OutWindow = nullptr;          // WindowSize bytes, owned by the driver
    uint16_t WindowPos = 0;                // write position in OutWindow
    uint32_t CrcValue = 0xFFFFFFFFu;       // running CRC-32 register (not inverted here)
    // False for an entry whose archive keeps no CRC (its MAC checks the data):
    // the output is then not summed at all.
    bool CrcWanted = true;
    uint16_t EntryFlags = 0;               // general purpose flags of the local header
    bool AbortFlag = false;                // set only by ReportProgress
    TProgressReceiver* NotifyWindow = nullptr; // progress receiver; null = none
    int16_t NotifyCode = 0;                // command code; with no receiver, the abort key
    int16_t LastPercent = 0;               // last percentage reported
    uint32_t LastPumpTick = 0;             // tick count at the last message pump
    bool EngineBusy = false;               // an extraction is in progress

    // Seams. The GUI installs PumpHook (it processes pending events); the CLI
    // and tests leave it empty. TickCount defaults to a monotonic millisecond
    // clock, IsKeyDown to "never down".
    std::function<void()> PumpHook;
    std::function<uint32_t()> TickCount;
    std::function<bool(int16_t key)> IsKeyDown;

    // Scratch for copies that bypass the window (stored entries) and for
    // inflate's 64 KB history and tables: grown on first use to what the
    // entry needs, up to BulkBlockSize, and kept across entries.
    std::unique_ptr<uint8_t[]> BulkBuffer;
    size_t BulkBufferSize = 0;
    // The Zstandard decoder's context (codecs/Unzstd.cpp); null until first used.
    std::unique_ptr<TKeptDecoder> KeptZstd;

    void UpdateCrc(const uint8_t* data, size_t length);
    // Writes bytes to OutputFile and counts them into the CRC, as FlushWindow
    // does for the window; true only when all were written. Nothing past
    // OutputSize is written (see OutputOverrun).
    bool WriteOut(const uint8_t* data, size_t count);
    // BulkBuffer, holding at least min(count, BulkBlockSize) bytes.
    uint8_t* BulkBlock(size_t count);
    void PumpMessages();
    void ReportProgress();
    void RefillInput();
    bool FlushWindow(size_t count);

    VALBRIX_NO_COVERAGE uint8_t ReadByte()
    {
        if (InPos > InLast)
            RefillInput();
        return InBuf[InPos++];
    }
    // Afterwards BitCount >= n (n at most 16).
    VALBRIX_NO_COVERAGE void FillBits(unsigned n)
    {
        while (BitCount < n) {
            BitBuf |= uint64_t(ReadByte()) << BitCount;
            BitCount += 8;
        }
    }
    VALBRIX_NO_COVERAGE void DropBits(unsigned n)
    {
        BitBuf >>= n;
        BitCount -= n;
    }
    // Clears the input buffer and the bit reader, as each decoder does first.
    void ResetInput()
    {
        InPos = 0;
        InLast = -1;
        BitBuf = 0;
        BitCount = 0;
    }
};

}  // namespace valbrix
