// The leapfrog: the caller's thread runs legs of the one-core decoder; a
// helper task per stretch first searches the next boundary (the caller
// waits only for that), then writes the chunk taken last time, then
// decodes its own chunk with markers. Memory: the helper's compressed
// window and one chunk of positions at a time; the caller, the decoder's
// ring.
#include "engine/codecs/LeapfrogInflate.h"

#include <algorithm>
#include <atomic>
#include <functional>
#include <future>
#include <memory>
#include <new>
#include <optional>
#include <system_error>
#include <vector>

#include "engine/Crc32.h"
#include "engine/codecs/BlockBoundary.h"
#include "engine/codecs/InflateLeg.h"
#include "engine/codecs/MarkerInflate.h"
#include "engine/ResultCodes.h"

namespace valbrix {
namespace {

constexpr uint64_t PieceBytes = WindowSize;  // the one-core decoder's writes: whole pieces of this size
constexpr size_t WriteBlock = 256 * 1024;    // resolved bytes a helper writes at a time
// Bytes a chunk's end must stay clear of its window's end: the block
// header behind it has been read from true bytes, not from zeros past it.
constexpr uint64_t EndMarginBits = 64 * 8;
// The helper's window reaches this far past the stretch and the search,
// so that the block running over the stretch's end usually ends inside it.
constexpr uint64_t WindowMarginBytes = 256 * 1024;

// The caller's legs read by position from where each starts.
class TSourceAt : public TInputSource {
public:
    explicit TSourceAt(TPositionedInput& input) : FInput(input) {}
    void Seek(uint64_t position) { FPosition = position; }
    long Read(uint8_t* buffer, size_t count) override
    {
        const long n = FInput.ReadAt(FPosition, buffer, count);
        if (n > 0)
            FPosition += uint64_t(n);
        return n;
    }

private:
    TPositionedInput& FInput;
    uint64_t FPosition = 0;
};

// The caller's legs write in order from where each starts.
class TSinkAt : public TOutputSink {
public:
    explicit TSinkAt(TPositionedOutput& output) : FOutput(output) {}
    void Seek(uint64_t position) { FPosition = position; }
    bool Write(const uint8_t* data, size_t count) override
    {
        const bool written = FOutput.WriteAt(FPosition, data, count);
        FPosition += count;
        return written;
    }

private:
    TPositionedOutput& FOutput;
    uint64_t FPosition = 0;
};

// A taken chunk, to be resolved and written by the helper: the bytes
// [From, To) of the entry, the unsent tail of the window before it first.
template <bool Wide>
struct TChunkWrite {
    uint64_t From = 0;
    uint64_t To = 0;
    unsigned Unsent = 0;
    std::vector<uint8_t> Window;  // the reach before the chunk
    std::vector<TPartSymbol<Wide>> Symbols;
};

template <bool Wide>
struct THelperResult {
    bool Written = true;   // the taken chunk's bytes are all written
    uint32_t Crc = 0;      // their CRC register, started from 0
    uint64_t Bytes = 0;
    uint64_t Boundary = NoBoundary;
    uint64_t EndBit = 0;   // the chunk's end: a block start
    bool Usable = false;   // decoded cleanly, not the final block, well inside its window
    std::vector<TPartSymbol<Wide>> Symbols;
};

template <bool Wide>
class TLeapfrog {
public:
    TLeapfrog(TEngineState& state, TPositionedInput& input, TPositionedOutput& output, const TLeapfrogOptions& options)
        : S(state), FInput(input), FOutput(output), FOptions(options), FSource(input), FSink(output)
    {
    }
    int Run();

private:
    static constexpr unsigned Reach = PartReach<Wide>;
    void StartHelper(uint64_t targetBit, std::optional<TChunkWrite<Wide>> write);
    THelperResult<Wide> Help(uint64_t targetBit, std::optional<TChunkWrite<Wide>> write,
                             std::promise<uint64_t>& boundary);
    void WriteChunk(TChunkWrite<Wide>& write, THelperResult<Wide>& result);
    void Search(uint64_t targetBit, std::vector<uint8_t>& data, uint64_t& firstBit, uint64_t& boundary);
    std::optional<TChunkWrite<Wide>> Take(const TInflateLeg& leg, THelperResult<Wide>& chunk);
    void CloseSegment(uint32_t crc, uint64_t bytes);

    TEngineState& S;
    TPositionedInput& FInput;
    TPositionedOutput& FOutput;
    const TLeapfrogOptions FOptions;
    TSourceAt FSource;
    TSinkAt FSink;
    std::future<THelperResult<Wide>> FHelper;
    std::promise<uint64_t> FBoundaryPromise;
    uint64_t FBoundary = NoBoundary;
    std::atomic<bool> FCancel{false};  // the caller will not take the chunk: the helper skips decoding it
    // The next leg's start.
    uint64_t FStartBit = 0;
    std::vector<uint8_t> FWindow = std::vector<uint8_t>(Reach);
    std::vector<uint8_t> FAfter = std::vector<uint8_t>(Reach);
    unsigned FUnsent = 0;
    // The CRC register over the bytes before the caller's running segment.
    uint32_t FCrcBefore = 0;
    uint64_t FSegmentStart = 0;  // where the caller's running segment starts
};

template <bool Wide>
void TLeapfrog<Wide>::CloseSegment(uint32_t crc, uint64_t bytes)
{
    if (S.CrcWanted)
        FCrcBefore = Crc32Combine(FCrcBefore, crc, bytes);
}

// Reads the window a stretch ahead and searches it for a boundary.
template <bool Wide>
void TLeapfrog<Wide>::Search(uint64_t targetBit, std::vector<uint8_t>& data, uint64_t& firstBit, uint64_t& boundary)
{
    boundary = NoBoundary;
    const uint64_t from = targetBit / 8;
    if (S.InputSize == UnknownSize || from >= S.InputSize)
        return;
    const uint64_t want = std::min<uint64_t>(S.InputSize - from, FOptions.ChunkBytes + FOptions.SearchBits / 8 + WindowMarginBytes);
    data.resize(size_t(want));
    const long got = FInput.ReadAt(from, data.data(), data.size());
    if (got <= 0)
        return;
    data.resize(size_t(got));
    firstBit = from * 8;
    const uint64_t found = FindBlockBoundary<Wide>(data.data(), data.size(), targetBit - firstBit,
                                                   targetBit - firstBit + FOptions.SearchBits);
    if (found != NoBoundary)
        boundary = firstBit + found;
}

template <bool Wide>
void TLeapfrog<Wide>::WriteChunk(TChunkWrite<Wide>& write, THelperResult<Wide>& result)
{
    result.Bytes = write.To - write.From;
    if (result.Bytes == 0)
        return;
    const uint8_t* const tail = write.Window.data() + Reach - write.Unsent;
    result.Written = FOutput.WriteAt(write.From, tail, write.Unsent);
    if (S.CrcWanted)
        result.Crc = Crc32Update(0, tail, write.Unsent);
    std::vector<uint8_t> bytes(WriteBlock);
    for (uint64_t done = 0, total = result.Bytes - write.Unsent; done < total && result.Written;) {
        const size_t n = size_t(std::min<uint64_t>(WriteBlock, total - done));
        ResolveMarkers<Wide>(write.Symbols.data() + done, n, write.Window.data(), bytes.data());
        result.Written = FOutput.WriteAt(write.From + write.Unsent + done, bytes.data(), n);
        if (S.CrcWanted)
            result.Crc = Crc32Update(result.Crc, bytes.data(), n);
        done += n;
    }
}

template <bool Wide>
THelperResult<Wide> TLeapfrog<Wide>::Help(uint64_t targetBit, std::optional<TChunkWrite<Wide>> write,
                                          std::promise<uint64_t>& boundaryPromise)
{
    // Running short of memory costs the helper's help, never a byte: no
    // boundary, a chunk not taken, or a taken chunk reported unwritten.
    THelperResult<Wide> result;
    std::vector<uint8_t> data;
    uint64_t firstBit = 0;
    try {
        Search(targetBit, data, firstBit, result.Boundary);
    } catch (const std::bad_alloc&) {
        result.Boundary = NoBoundary;
    }
    boundaryPromise.set_value(result.Boundary);
    if (write) {
        try {
            WriteChunk(*write, result);
        } catch (const std::bad_alloc&) {
            result.Written = false;
        }
        write.reset();  // its positions go before the next chunk's are made
    }
    if (result.Boundary == NoBoundary || FCancel.load())
        return result;
    try {
        const size_t maxSymbols = Wide ? FOptions.MaxSymbols / 2 : FOptions.MaxSymbols;
        result.Symbols.reserve(maxSymbols);
        const uint64_t start = result.Boundary - firstBit;
        const TPartEnd end = InflatePart<Wide>(data.data(), data.size(), start, start + FOptions.ChunkBytes * 8,
                                               maxSymbols, result.Symbols);
        result.EndBit = firstBit + end.EndBit;
        result.Usable = end.Result == erOk && !end.Final && end.EndBit + EndMarginBits <= uint64_t(data.size()) * 8;
    } catch (const std::bad_alloc&) {
        result.Usable = false;
    }
    return result;
}

template <bool Wide>
void TLeapfrog<Wide>::StartHelper(uint64_t targetBit, std::optional<TChunkWrite<Wide>> write)
{
    FBoundaryPromise = std::promise<uint64_t>();
    std::future<uint64_t> boundary = FBoundaryPromise.get_future();
    FCancel = false;
    // Shared, so that the task (and the chunk it writes) is still at hand if no thread starts.
    const auto help = std::make_shared<std::function<THelperResult<Wide>()>>(
        [this, targetBit, w = std::make_shared<std::optional<TChunkWrite<Wide>>>(std::move(write))] {
            return Help(targetBit, std::move(*w), FBoundaryPromise);
        });
    try {
        FHelper = std::async(std::launch::async, [help] { return (*help)(); });
    } catch (const std::system_error&) {
        // No thread to be had: the help is done here, in turn.
        std::promise<THelperResult<Wide>> done;
        done.set_value((*help)());
        FHelper = done.get_future();
    }
    FBoundary = boundary.get();
}

// Takes the helper's chunk when the leg stopped exactly at its boundary
// and the chunk fits the entry's size: the next leg starts behind it.
template <bool Wide>
std::optional<TChunkWrite<Wide>> TLeapfrog<Wide>::Take(const TInflateLeg& leg, THelperResult<Wide>& chunk)
{
    const uint64_t from = S.BytesWritten;
    const uint64_t offset = from + leg.EndUnsent;
    const uint64_t length = chunk.Symbols.size();
    if (!chunk.Usable || leg.StoppedAt != chunk.Boundary ||
        (S.OutputSize != UnknownSize && (offset > S.OutputSize || length > S.OutputSize - offset)))
        return std::nullopt;
    // The window behind the chunk: only its last reach is resolved here.
    if (length >= Reach) {
        ResolveMarkers<Wide>(chunk.Symbols.data() + length - Reach, Reach, FAfter.data(), FWindow.data());
    } else {
        std::copy(FAfter.begin() + ptrdiff_t(length), FAfter.end(), FWindow.begin());
        ResolveMarkers<Wide>(chunk.Symbols.data(), size_t(length), FAfter.data(), FWindow.data() + Reach - length);
    }
    TChunkWrite<Wide> write;
    write.From = from;
    write.To = (offset + length) / PieceBytes * PieceBytes;
    write.Unsent = leg.EndUnsent;
    write.Window = FAfter;
    write.Symbols = std::move(chunk.Symbols);
    CloseSegment(S.CrcValue, from - FSegmentStart);
    S.CrcValue = 0;
    FSegmentStart = write.To;
    S.BytesWritten = write.To;
    FUnsent = unsigned(offset + length - write.To);
    FStartBit = chunk.EndBit;
    return write;
}

template <bool Wide>
int TLeapfrog<Wide>::Run()
{
    TInputSource* const source = S.ArchiveFile;
    TOutputSink* const sink = S.OutputFile;
    S.ArchiveFile = &FSource;
    S.OutputFile = &FSink;
    const uint32_t crcAtStart = S.CrcValue;
    FCrcBefore = S.CrcValue;
    S.CrcValue = 0;
    FSegmentStart = S.BytesWritten;
    uint64_t target = FOptions.StretchBytes * 8;
    StartHelper(target, std::nullopt);
    bool fromStart = true;
    bool writing = false;  // the running helper writes a taken chunk
    int result = erOk;
    for (;;) {
        TInflateLeg leg;
        leg.StartBit = FStartBit;
        leg.StartWindow = fromStart ? nullptr : FWindow.data();
        leg.StartUnsent = FUnsent;
        // Without a boundary the leg still stops near the search's end, for a search further on.
        leg.StopBit = FBoundary != NoBoundary ? FBoundary : target + FOptions.SearchBits;
        leg.EndWindow = FAfter.data();
        FSource.Seek(LegFirstByte(FStartBit));
        S.BytesRead = LegFirstByte(FStartBit);
        FSink.Seek(S.BytesWritten);
        result = Wide ? Inflate64Leg(S, leg) : InflateLeg(S, leg);
        fromStart = false;
        if (!leg.Stopped)
            FCancel = true;
        THelperResult<Wide> helped = FHelper.get();
        if (writing)
            CloseSegment(helped.Crc, helped.Bytes);
        if (!helped.Written)
            result = erOutput;
        if (!leg.Stopped || result != erOk)
            break;
        std::optional<TChunkWrite<Wide>> taken = Take(leg, helped);
        if (!taken) {
            FStartBit = leg.StoppedAt;
            FWindow.swap(FAfter);
            FUnsent = leg.EndUnsent;
        }
        writing = taken.has_value();
        if (writing && FOptions.ChunksTaken)
            ++*FOptions.ChunksTaken;
        target = FStartBit + FOptions.StretchBytes * 8;
        StartHelper(target, std::move(taken));
    }
    CloseSegment(S.CrcValue, S.BytesWritten - FSegmentStart);
    S.CrcValue = S.CrcWanted ? FCrcBefore : crcAtStart;
    S.ArchiveFile = source;
    S.OutputFile = sink;
    return result;
}

}  // namespace

int LeapfrogInflate(TEngineState& state, bool wide, TPositionedInput& input, TPositionedOutput& output,
                    const TLeapfrogOptions& options)
{
    if (wide)
        return TLeapfrog<true>(state, input, output, options).Run();
    return TLeapfrog<false>(state, input, output, options).Run();
}

}  // namespace valbrix
