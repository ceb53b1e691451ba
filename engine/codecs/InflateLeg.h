// One stretch ("leg") of a deflate (or Deflate64) entry decoded by the
// one-core decoder: it may start at a block inside the stream with the
// history before it handed in, and may stop before the first block that
// starts at or after a given bit, handing back that bit and the history
// there. Two legs that meet at that bit, on one engine state or two, give
// the bytes, the sink writes and the result code of one decode from the
// start; that is what lets a second worker take over part of an entry.
#pragma once

#include <cstdint>

#include "engine/EngineState.h"
#include "engine/codecs/MarkerInflate.h"

namespace valbrix {

inline constexpr uint64_t NoStop = ~uint64_t(0);

// The leg's window: the format's reach (32 KiB; 64 KiB for Deflate64).
inline constexpr unsigned LegWindowBytes(bool wide) { return wide ? PartReach<true> : PartReach<false>; }

// The byte from which a leg starting at startBit reads: the start of the
// input buffer a decode from the stream's start would hold there, so that
// every refill (and the input running out) falls where it falls for that decode.
inline constexpr uint64_t LegFirstByte(uint64_t startBit) { return startBit / 8 / InBufSize * InBufSize; }

struct TInflateLeg {
    // In. A leg with StartWindow starts at StartBit, where a block must
    // start; the state's source then delivers the stream from
    // LegFirstByte(StartBit), BytesRead equals that byte, and BytesWritten
    // and CrcValue are what the leg before left.
    uint64_t StartBit = 0;
    const uint8_t* StartWindow = nullptr;  // LegWindowBytes bytes before the leg's first; zeros before the entry's
    unsigned StartUnsent = 0;              // the last bytes of StartWindow not yet sent: the leg before's EndUnsent
    uint64_t StopBit = NoStop;             // stop before a block that starts at or after this bit
    uint8_t* EndWindow = nullptr;          // LegWindowBytes bytes, filled when stopped; may be null
    // Out.
    bool Stopped = false;                  // stopped before a block (the result is then erOk)
    uint64_t StoppedAt = 0;                // that block's first bit
    // When stopped: the last bytes of the window, fewer than 32 KiB, that
    // were decoded but not sent (writes go out in whole 32 KiB pieces).
    unsigned EndUnsent = 0;
};

int InflateLeg(TEngineState& state, TInflateLeg& leg);    // method 8
int Inflate64Leg(TEngineState& state, TInflateLeg& leg);  // method 9

}  // namespace valbrix
