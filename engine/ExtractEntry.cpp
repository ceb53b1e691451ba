// The extraction driver: checks an entry's local header, prepares the output
// (folders, then a temporary file beside the target), runs the decoder for
// the method over the engine state, checks the CRC-32 (from the header or
// from the data descriptor), and on success gives the file its time and
// attributes and renames it over the target. It owns the engine state and
// the output window. Damaged headers, sizes that lie and truncated archives
// end in a result code; on every way out the busy mark is cleared, the
// archive and output are closed and the temporary file is removed.
#include "ExtractEntry.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#include "Decoders.h"
#include "LittleEndian.h"
#include "ResultCodes.h"
#include "platform/Clock.h"
#include "platform/FileServices.h"

namespace valbrix {

struct TExtractionDriver::TRequest {
    const std::string& ArchiveName;
    const std::string* OutputName;  // null: decode and check only, write nothing
    uint16_t Attributes;
    uint64_t LocalHeaderOffset;
    TProgressReceiver* NotifyWindow;
    int16_t NotifyCode;
    std::optional<uint64_t> CompressedSize;    // central directory values
    std::optional<uint64_t> UncompressedSize;
};

namespace {

constexpr uint32_t LocalHeaderSignature = 0x04034B50u;  // "PK" 03 04
constexpr uint32_t DescriptorSignature = 0x08074B50u;   // "PK" 07 08
constexpr size_t LocalHeaderSize = 30;
constexpr uint32_t SupportedMethods = 0x17F;            // bit n set for method n
constexpr uint16_t FlagEncrypted = 0x0001;
constexpr uint16_t FlagDescriptor = 0x0008;
constexpr uint16_t FolderAttribute = 0x10;
constexpr uint32_t StaleBusyMs = 30000;
// What a streaming writer puts in the local header when the real sizes are
// kept elsewhere (its 64-bit extra field, the descriptor, the directory).
constexpr uint32_t SizeKeptElsewhere = 0xFFFFFFFFu;

struct TLocalHeader {
    uint16_t Flags = 0;
    uint16_t Method = 0;
    uint32_t DosDateTime = 0;
    uint32_t Crc32 = 0;
    uint32_t CompressedSize = 0;
    uint32_t UncompressedSize = 0;
    uint64_t DataOffset = 0;  // 64-bit: offset + 30 + two 16-bit lengths may pass 4 GiB
};

// The archive, read through a 64 KB buffer so that the engine's 2 KB refills
// cost a copy rather than a system call each. Reads fill the whole request
// unless the file ends, as a plain file read would.
class TArchiveSource : public TInputSource {
public:
    bool Open(const std::string& path)
    {
        FBuffer = std::make_unique<uint8_t[]>(BufferSize);
        return FFile.OpenRead(path) == 0;
    }
    bool Seek(uint64_t position)
    {
        FPos = FLength = 0;
        return FFile.Seek(position);
    }
    long Read(uint8_t* buffer, size_t count) override;

private:
    static constexpr size_t BufferSize = 64 * 1024;
    platform::TFile FFile;
    std::unique_ptr<uint8_t[]> FBuffer;
    size_t FPos = 0;
    size_t FLength = 0;
};

long TArchiveSource::Read(uint8_t* buffer, size_t count)
{
    size_t done = 0;
    while (done < count) {
        if (FPos == FLength) {
            if (count - done >= BufferSize) {  // large reads skip the extra copy
                const long n = FFile.Read(buffer + done, count - done);
                return n < 0 && done == 0 ? -1 : long(done + size_t(std::max(n, 0L)));
            }
            const long n = FFile.Read(FBuffer.get(), BufferSize);
            if (n <= 0)
                return done > 0 ? long(done) : n;
            FPos = 0;
            FLength = size_t(n);
        }
        const size_t n = std::min(count - done, FLength - FPos);
        std::memcpy(buffer + done, FBuffer.get() + FPos, n);
        FPos += n;
        done += n;
    }
    return long(done);
}

class TDiscardSink : public TOutputSink {
public:
    bool Write(const uint8_t*, size_t) override { return true; }
};

// The output of one file entry: a temporary file beside the target, which
// becomes the target only through Commit. Destroying it uncommitted removes
// the temporary file, so the target keeps whatever it was.
class TPendingOutput : public TOutputSink {
public:
    ~TPendingOutput() { Discard(); }
    int Create(const std::string& target)
    {
        FTarget = target;
        return FFile.CreateTempBeside(target);
    }
    // Small pieces (the shrink decoder flushes every 767 bytes) are gathered
    // so that each costs a copy, not a system call; a failed write of the
    // gathered bytes shows at the next write or at Close.
    bool Write(const uint8_t* data, size_t count) override
    {
        if (FBuffered + count > BufferSize) {
            if (!FlushBuffer())
                return false;
            if (count >= BufferSize)
                return FFile.WriteAll(data, count);
        }
        std::memcpy(FBuffer.get() + FBuffered, data, count);
        FBuffered += count;
        return true;
    }
    // Close errors count: a full disk may show only here.
    bool Close()
    {
        const bool flushed = FlushBuffer();
        return FFile.Close() == 0 && flushed;
    }
    bool Commit(uint32_t dosDateTime, uint16_t attributes)
    {
        platform::SetFileTimeFromDos(FFile.Path(), dosDateTime);  // failures ignored, as a time is no data
        platform::SetFileAttributes(FFile.Path(), attributes);
        if (!platform::RenameFile(FFile.Path(), FTarget))
            return false;
        FCommitted = true;
        return true;
    }

private:
    static constexpr size_t BufferSize = 64 * 1024;
    bool FlushBuffer()
    {
        const bool written = FBuffered == 0 || FFile.WriteAll(FBuffer.get(), FBuffered);
        FBuffered = 0;
        return written;
    }
    void Discard()
    {
        FFile.Close();
        if (!FCommitted && !FFile.Path().empty())
            platform::RemoveFile(FFile.Path());
    }
    platform::TFile FFile;
    std::string FTarget;
    bool FCommitted = false;
    std::unique_ptr<uint8_t[]> FBuffer = std::make_unique<uint8_t[]>(BufferSize);
    size_t FBuffered = 0;
};

// Holds the engine for one entry: sets the busy mark, lends the state the
// zero-filled window, and on every way out clears the mark and every pointer
// to an object that dies with the call.
class TEngineSession {
public:
    TEngineSession(TEngineState& state, uint8_t* window, bool& running) : FState(state), FRunning(running)
    {
        FRunning = true;
        FState.EngineBusy = true;
        std::memset(window, 0, WindowSize);
        FState.OutWindow = window;
    }
    ~TEngineSession()
    {
        FState.ArchiveFile = nullptr;
        FState.OutputFile = nullptr;
        FState.OutWindow = nullptr;
        FState.NotifyWindow = nullptr;
        FState.EngineBusy = false;
        FRunning = false;
    }
    TEngineSession(const TEngineSession&) = delete;
    TEngineSession& operator=(const TEngineSession&) = delete;

private:
    TEngineState& FState;
    bool& FRunning;
};

// A local header whose sizes read 0xFFFFFFFF may carry the real ones in
// its 64-bit extra field (id 1: uncompressed, then compressed size, each
// present only when its 32-bit field is 0xFFFFFFFF). Sizes that fit in 32
// bits are taken; a streaming writer leaves them 0 there, and those stay
// unknown.
void TakeZip64Sizes(const std::vector<uint8_t>& extra, TLocalHeader& header)
{
    for (size_t pos = 0; pos + 4 <= extra.size();) {
        const uint16_t id = Le16(&extra[pos]);
        const size_t length = Le16(&extra[pos + 2]);
        const size_t end = std::min(extra.size(), pos + 4 + length);
        if (id == 0x0001) {
            uint64_t sizes[2] = {header.UncompressedSize, header.CompressedSize};
            size_t field = pos + 4;
            for (uint64_t& size : sizes)
                if (size == SizeKeptElsewhere && field + 8 <= end) {
                    size = uint64_t(Le32(&extra[field])) | uint64_t(Le32(&extra[field + 4])) << 32;
                    field += 8;
                }
            if (sizes[1] != 0 && sizes[1] < SizeKeptElsewhere) {
                header.CompressedSize = uint32_t(sizes[1]);
                header.UncompressedSize = sizes[0] < SizeKeptElsewhere ? uint32_t(sizes[0]) : UnknownSize;
            }
            return;
        }
        pos += 4 + length;
    }
}

bool ReadLocalHeader(TArchiveSource& archive, uint64_t offset, TLocalHeader& header)
{
    uint8_t raw[LocalHeaderSize];
    if (!archive.Seek(offset) || archive.Read(raw, sizeof raw) != long(sizeof raw))
        return false;
    if (Le32(raw) != LocalHeaderSignature)
        return false;
    header.Flags = Le16(raw + 6);
    header.Method = Le16(raw + 8);
    header.DosDateTime = Le32(raw + 10);
    header.Crc32 = Le32(raw + 14);
    header.CompressedSize = Le32(raw + 18);
    header.UncompressedSize = Le32(raw + 22);
    const uint16_t nameLength = Le16(raw + 26);
    const uint16_t extraLength = Le16(raw + 28);
    header.DataOffset = offset + LocalHeaderSize + nameLength + extraLength;
    if (header.CompressedSize == SizeKeptElsewhere && extraLength > 0) {
        std::vector<uint8_t> extra(extraLength);
        if (archive.Seek(offset + LocalHeaderSize + nameLength) &&
            archive.Read(extra.data(), extra.size()) == long(extra.size()))
            TakeZip64Sizes(extra, header);
    }
    return true;
}

// A header with the descriptor flag and no compressed size, or with the
// streaming marks, gives no sizes. The central directory's sizes (when the
// caller passes them) stand in; without them a decoder runs to its own end
// on the "unknown" size, and a stored entry has nothing to copy. False for
// a size no file can have (beyond MaxEntrySize): a damaged header or directory.
bool TakeSizes(const TLocalHeader& header, std::optional<uint64_t> compressedSize,
               std::optional<uint64_t> uncompressedSize, TEngineState& state)
{
    const bool descriptor = header.Flags & FlagDescriptor;
    const bool noLocalSizes = (descriptor && header.CompressedSize == 0) || header.CompressedSize == SizeKeptElsewhere;
    state.InputSize = header.CompressedSize;
    state.OutputSize = header.UncompressedSize;
    if (noLocalSizes && compressedSize) {
        state.InputSize = *compressedSize;
        state.OutputSize = uncompressedSize.value_or(UnknownSize);
    } else if (descriptor && header.Method != 0 && header.CompressedSize == 0) {
        state.InputSize = UnknownSize;
        state.OutputSize = UnknownSize;
    }
    return state.InputSize <= MaxEntrySize && state.OutputSize <= MaxEntrySize;
}

bool MethodSupported(uint16_t method)
{
    return method < 32 && ((SupportedMethods >> method) & 1u);
}

int RunDecoder(TEngineState& state, uint16_t method)
{
    switch (method) {
    case 0:
        return CopyStored(state);
    case 1:
        return Unshrink(state);
    case 2:
    case 3:
    case 4:
    case 5:
        return Unreduce(state, method);
    case 6:
        return Explode(state);
    case 8:
        return Inflate(state);
    default:
        return erUnsupported;
    }
}

// Takes the next whole byte behind the compressed data: first what the bit
// reader still holds, then the input buffer, then fresh reads. Unlike
// RefillInput it ignores the end-of-data rule, since the descriptor lies
// behind the data by definition.
bool TakeByte(TEngineState& state, uint8_t& byte)
{
    if (state.BitCount >= 8) {
        byte = uint8_t(state.BitBuf);
        state.DropBits(8);
        return true;
    }
    if (state.InPos > state.InLast) {
        const long count = state.ArchiveFile->Read(state.InBuf, InBufSize);
        if (count <= 0)
            return false;
        state.BytesRead += uint64_t(count);
        state.InLast = int32_t(count) - 1;
        state.InPos = 0;
    }
    byte = state.InBuf[state.InPos++];
    return true;
}

bool TakeLe32(TEngineState& state, uint32_t& value)
{
    uint8_t bytes[4];
    for (auto& byte : bytes)
        if (!TakeByte(state, byte))
            return false;
    value = Le32(bytes);
    return true;
}

// Reads the expected CRC from the data descriptor behind the compressed
// data. Its "PK" 07 08 signature is optional and many writers leave it out,
// so the first 4 bytes are the CRC unless they are that signature. Returns
// erRead when the archive ends inside the descriptor.
int ReadDescriptorCrc(TEngineState& state, uint16_t method, uint32_t& expectedCrc)
{
    if (method == 0) {  // CopyStored bypassed InBuf; the archive sits right behind the data
        state.ResetInput();
        state.WindowPos = 0;
    } else {
        state.DropBits(state.BitCount % 8);
    }
    // A refill already ran past the data: the buffer was offered again and means nothing.
    if (state.InputEof)
        return erRead;
    uint32_t first = 0;
    if (!TakeLe32(state, first))
        return erRead;
    if (first != DescriptorSignature) {
        expectedCrc = first;
        return erOk;
    }
    return TakeLe32(state, expectedCrc) ? erOk : erRead;
}

// Walks the folders of `name` (those before its last '/'), changing into each
// and creating it when missing; the current directory stays at the deepest
// folder reached. True when every folder was reached.
bool CreateFoldersAlong(const std::string& name)
{
    const size_t stop = name.rfind('/');
    if (stop == std::string::npos)
        return true;
    size_t pos = 0;
    if (name[0] == '/') {
        if (platform::ChangeDirectory("/") != 0)
            return false;
        pos = 1;
    }
    while (pos <= stop) {
        const size_t end = name.find('/', pos);  // never npos: name[stop] is '/'
        if (end > pos) {                         // "a//b": no empty folder names
            const std::string folder = name.substr(pos, end - pos);
            if (platform::ChangeDirectory(folder) != 0 &&
                (platform::CreateFolder(folder) != 0 || platform::ChangeDirectory(folder) != 0))
                return false;
        }
        pos = end + 1;
    }
    return true;
}

bool SendPercent(TEngineState& state, uint16_t percent)
{
    if (!state.NotifyWindow)
        return true;
    state.NotifyWindow->Progress(state.NotifyCode, percent);
    return percent != 0xFFFF;
}

}  // namespace

TExtractionDriver::TExtractionDriver() : FWindow(std::make_unique<uint8_t[]>(WindowSize))
{
    FState.TickCount = platform::GetTickCount;
}

TExtractionDriver::~TExtractionDriver() = default;

int TExtractionDriver::ExtractEntry(const std::string& archiveName, const std::string& outputName, uint16_t attributes,
                                    uint64_t localHeaderOffset, TProgressReceiver* notifyWindow, int16_t notifyCode,
                                    std::optional<uint64_t> compressedSize, std::optional<uint64_t> uncompressedSize)
{
    return Run({archiveName, &outputName, attributes, localHeaderOffset, notifyWindow, notifyCode, compressedSize,
                uncompressedSize});
}

int TExtractionDriver::TestEntry(const std::string& archiveName, uint64_t localHeaderOffset,
                                 TProgressReceiver* notifyWindow, int16_t notifyCode,
                                 std::optional<uint64_t> compressedSize, std::optional<uint64_t> uncompressedSize)
{
    return Run({archiveName, nullptr, 0, localHeaderOffset, notifyWindow, notifyCode, compressedSize,
                uncompressedSize});
}

bool TExtractionDriver::BusyMarkIsStale()
{
    if (FState.LastPumpTick == 0)
        return false;
    const uint32_t now = FState.TickCount ? FState.TickCount() : platform::GetTickCount();
    const int64_t difference = int64_t(now) - int64_t(FState.LastPumpTick);
    return (difference < 0 ? -difference : difference) > StaleBusyMs;
}

int TExtractionDriver::Run(const TRequest& request)
{
    // A call from inside a running extraction is refused however old its busy
    // mark looks: a handler that kept a dialog open for half a minute must not
    // take the state away from the decoder it interrupted.
    if (FRunning || (FState.EngineBusy && !BusyMarkIsStale()))
        return erBusy;
    TEngineSession session(FState, FWindow.get(), FRunning);
    FState.AbortFlag = false;  // after the guard: a refused nested call must not undo the running one's abort

    TArchiveSource archive;
    if (!archive.Open(request.ArchiveName))
        return erRead;
    TLocalHeader header;
    if (!ReadLocalHeader(archive, request.LocalHeaderOffset, header))
        return erFormat;
    FState.EntryFlags = header.Flags;
    const bool sizesPossible = TakeSizes(header, request.CompressedSize, request.UncompressedSize, FState);
    if (!MethodSupported(header.Method))
        return erUnsupported;
    if (header.Flags & FlagEncrypted)
        return erEncrypted;
    if (!sizesPossible)
        return erFormat;
    FState.BytesRead = 0;
    if (!archive.Seek(header.DataOffset))
        return erFormat;
    FState.ArchiveFile = &archive;

    TPendingOutput output;
    TDiscardSink discard;
    if (request.OutputName) {
        std::string name = *request.OutputName;
        if (request.Attributes & FolderAttribute && !name.empty() && name.back() != '/')
            name += '/';
        if (name.empty() || name.size() > MaxOutputName)
            return erOutput;
        // Folder creation moves the current directory, which would move a
        // relative name with it.
        if (name[0] != '/')
            name = platform::CurrentDirectory() + '/' + name;
        if (name.back() == '/')
            return CreateFoldersAlong(name) ? erOk : erOutput;
        int error = output.Create(name);
        if (error == ENOENT) {
            CreateFoldersAlong(name);
            error = output.Create(name);
        }
        if (error != 0)
            return erOutput;
        FState.OutputFile = &output;
    } else {
        FState.OutputFile = &discard;
    }

    FState.InputEof = false;
    FState.NotifyWindow = request.NotifyWindow;
    FState.NotifyCode = request.NotifyCode;
    FState.PumpMessages();
    FState.LastPercent = 0;
    SendPercent(FState, 0);
    FState.CrcValue = 0xFFFFFFFFu;

    int result = RunDecoder(FState, header.Method);
    uint32_t expectedCrc = header.Crc32;
    if (result == erOk && (header.Flags & FlagDescriptor))
        result = ReadDescriptorCrc(FState, header.Method, expectedCrc);
    FState.CrcValue = ~FState.CrcValue;
    FState.ArchiveFile = nullptr;
    if (!output.Close() && result == erOk)
        result = erOutput;
    if (result != erOk)
        return result;
    if (expectedCrc != FState.CrcValue)
        return erCrc;
    FState.LastPercent = 100;
    if (!SendPercent(FState, 100))
        return erAborted;
    if (request.OutputName && !output.Commit(header.DosDateTime, request.Attributes))
        return erOutput;
    return erOk;
}

}  // namespace valbrix
