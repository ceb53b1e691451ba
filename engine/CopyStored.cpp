// The method 0 "decoder": copies the entry's bytes from the archive to the
// output through the output window, so the CRC and progress run as for the
// real decoders. It reads ArchiveFile directly, not through InBuf, in blocks
// of up to one window. Input that ends before InputSize bytes gives 3; a
// failed write gives 2; nothing is read beyond InputSize.
#include <algorithm>

#include "Decoders.h"
#include "ResultCodes.h"

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
    while (state.BytesRead < state.InputSize && !state.AbortFlag) {
        const size_t count = size_t(std::min<uint64_t>(state.InputSize - state.BytesRead, WindowSize));
        if (!ReadExactly(state.ArchiveFile, state.OutWindow, count))
            return erRead;
        if (!state.FlushWindow(count))
            return erOutput;
        state.BytesRead += count;
        state.PumpMessages();
        state.ReportProgress();
    }
    return state.AbortFlag ? erAborted : erOk;
}

}  // namespace valbrix
