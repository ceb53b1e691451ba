// Decodes one large deflate (or Deflate64) entry on two threads with
// bounded memory. The calling thread decodes stretches with the one-core
// decoder (it knows the history); meanwhile a helper thread searches a
// block boundary a stretch ahead and decodes from there, keeping
// references into the unknown history as markers. When the caller's
// decode meets a block start at or past that boundary, exactly on it, the
// helper's chunk is taken: the caller resolves only its last window and
// goes on behind the chunk, while the helper resolves the whole chunk,
// writes it at its offset and sums its CRC; anywhere else the chunk is
// dropped and the caller goes on where it stopped. So every byte, write
// offset, CRC and result code is the one-core decode's; the helper only
// saves time. Compressed bytes come by positioned reads in windows.
#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/EngineState.h"

namespace valbrix {

// The entry's compressed data and what follows it in the archive, read by
// position (0: the data's first byte) from two threads at once.
class TPositionedInput {
public:
    virtual ~TPositionedInput() = default;
    // As TInputSource::Read: bytes delivered, 0 at the end, -1 on an error.
    virtual long ReadAt(uint64_t position, uint8_t* buffer, size_t count) = 0;
};

// The output file, written by position from two threads at once (never
// the same bytes).
class TPositionedOutput {
public:
    virtual ~TPositionedOutput() = default;
    virtual bool WriteAt(uint64_t position, const uint8_t* data, size_t count) = 0;
};

struct TLeapfrogOptions {
    uint64_t StretchBytes = uint64_t(4) << 20;  // compressed bytes between two boundary searches
    // Compressed bytes of a helper's chunk: the marker decoder is several
    // times slower than the one-core decoder, so a chunk is a part of a
    // stretch, sized to be done by the time the caller reaches it.
    uint64_t ChunkBytes = uint64_t(1) << 20;
    uint64_t SearchBits = uint64_t(1) << 18;    // how far a search goes past its start
    size_t MaxSymbols = size_t(12) << 20;       // output positions a helper's chunk may hold (half for Deflate64)
    uint64_t* ChunksTaken = nullptr;            // counts the helper's chunks taken, when given
};

// The state as the driver prepares it for Inflate (sizes, CRC register,
// progress), except its source and sink, which this replaces for the run
// and puts back. Returns Inflate's result code; CrcValue is its register.
int LeapfrogInflate(TEngineState& state, bool wide, TPositionedInput& input, TPositionedOutput& output,
                    const TLeapfrogOptions& options);

}  // namespace valbrix
