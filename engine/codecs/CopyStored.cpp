// The method 0 "decoder": copies the entry's bytes from the archive to the
// output with the CRC and progress of the real decoders. It reads
// ArchiveFile directly, not through InBuf or the window, in blocks of up to
// BulkBlockSize, so that a large entry costs few large reads and writes and
// no copy beyond them. Input that ends before InputSize bytes gives 3; a
// failed write gives 2; nothing is read beyond InputSize.
#include <algorithm>

#include "engine/codecs/Decoders.h"
#include "engine/ResultCodes.h"

namespace valbrix {

namespace {

// A source may deliver less than asked before its end; only a shortfall at
// the end (or an error) means the entry's data is cut off.
bool ReadExactly(TInputSource* source, uint8_t* buffer, size_t count)
{
    while (source && count > 0) {
        const long n = source->Read(buffer, count);
        if (n <= 0)
            return false;
        buffer += n;
        count -= size_t(n);
    }
    return count == 0;
}

}  // namespace

int CopyStored(TEngineState& state)
{
    // Blocks of at most a 64th of the entry, so that progress and the abort
    // poll still come at every few per cent; never below one window.
    const size_t blockBytes = size_t(std::clamp<uint64_t>(state.InputSize / 64, WindowSize, BulkBlockSize));
    while (state.BytesRead < state.InputSize && !state.AbortFlag) {
        const size_t count = size_t(std::min<uint64_t>(state.InputSize - state.BytesRead, blockBytes));
        uint8_t* const block = state.BulkBlock(count);
        if (!ReadExactly(state.ArchiveFile, block, count))
            return erRead;
        if (!state.WriteOut(block, count))
            return erOutput;
        state.BytesRead += count;
        state.PumpMessages();
        state.ReportProgress();
    }
    return state.AbortFlag ? erAborted : erOk;
}

}  // namespace valbrix
