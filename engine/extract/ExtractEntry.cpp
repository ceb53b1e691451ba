// The extraction driver: checks an entry's local header, prepares the output
// (folders, then a temporary file beside the target), runs the decoder for
// the method over the engine state, checks the CRC-32 (from the header or
// from the data descriptor), and on success gives the file its time and
// mode and puts it in the target's place; a link entry's data is gathered
// and, when its target stays inside the target folder, made the link. It
// owns the engine state, the output window and the open archive, which it
// keeps across entries of the same archive file. Damaged headers, sizes that lie and truncated
// archives end in a result code; on every way out the busy mark is cleared,
// the output is closed and the temporary file is removed.
#include "engine/extract/ExtractEntry.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "engine/archive/ArchiveReader.h"
#include "engine/codecs/Methods.h"
#include "engine/crypto/DecryptingSource.h"
#include "engine/crypto/PasswordProvider.h"
#include "engine/archive/LocalHeader.h"
#include "engine/extract/OutputFile.h"
#include "engine/extract/TargetPath.h"
#include "engine/ResultCodes.h"
#include "engine/archive/ZipFormat.h"
#include "platform/Clock.h"
#include "platform/FileServices.h"

namespace valbrix {

struct TExtractionDriver::TRequest {
    const std::string* ArchiveName;  // null: the lent archive
    const platform::TFolder* Folder; // where OutputName starts
    const std::string* OutputName;   // null: decode and check only, write nothing
    const TEntryShape* Shape;        // with OutputName: what to make
    bool FollowLinks;                // the whole path is the caller's: links on its way are followed
    uint64_t LocalHeaderOffset;
    TProgressReceiver* NotifyWindow;
    int16_t NotifyCode;
    std::optional<uint64_t> CompressedSize;    // central directory values
    std::optional<uint64_t> UncompressedSize;
    TOutputSink* Sink = nullptr;  // without OutputName: where the decoded bytes go (none: dropped)
};

namespace {

constexpr uint32_t StaleBusyMs = 30000;

// Holds the engine for one entry: sets the busy mark, lends the state the
// window, and on every way out clears the mark and every pointer to an
// object that dies with the call.
class TEngineSession {
public:
    TEngineSession(TEngineState& state, uint8_t* window, bool& running) : FState(state), FRunning(running)
    {
        FRunning = true;
        FState.EngineBusy = true;
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

bool SendPercent(TEngineState& state, uint16_t percent)
{
    if (!state.NotifyWindow)
        return true;
    state.NotifyWindow->Progress(state.NotifyCode, percent);
    return percent != AbortProgress;
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
    if (outputName.size() > MaxOutputName)
        return OutputFailed(ENAMETOOLONG);
    // A path is resolved from '/' or from the current directory, once, here.
    const bool absolute = !outputName.empty() && outputName[0] == '/';
    platform::TFolder folder;
    if (const int error = folder.Open(absolute ? "/" : "."); error != 0)
        return OutputFailed(error);
    // "/" alone stays "/": the root as a folder, not an empty name.
    const size_t start = absolute ? std::min(outputName.find_first_not_of('/'), outputName.size() - 1) : 0;
    const std::string relative = outputName.substr(start);
    const TEntryShape shape = DosShape(attributes);
    return Run({&archiveName, &folder, &relative, &shape, true, localHeaderOffset, notifyWindow, notifyCode,
                compressedSize, uncompressedSize});
}

int TExtractionDriver::ExtractEntryAt(const platform::TFolder& folder, const std::string& relativeName,
                                      const TEntryShape& shape, uint64_t localHeaderOffset,
                                      TProgressReceiver* notifyWindow, int16_t notifyCode,
                                      std::optional<uint64_t> compressedSize,
                                      std::optional<uint64_t> uncompressedSize)
{
    return Run({nullptr, &folder, &relativeName, &shape, false, localHeaderOffset, notifyWindow, notifyCode,
                compressedSize, uncompressedSize});
}

int TExtractionDriver::TestEntry(const std::string& archiveName, uint64_t localHeaderOffset,
                                 TProgressReceiver* notifyWindow, int16_t notifyCode,
                                 std::optional<uint64_t> compressedSize, std::optional<uint64_t> uncompressedSize)
{
    return Run({&archiveName, nullptr, nullptr, nullptr, false, localHeaderOffset, notifyWindow, notifyCode,
                compressedSize, uncompressedSize});
}

int TExtractionDriver::TestEntry(uint64_t localHeaderOffset, std::optional<uint64_t> compressedSize,
                                 std::optional<uint64_t> uncompressedSize, TProgressReceiver* notifyWindow)
{
    return Run({nullptr, nullptr, nullptr, nullptr, false, localHeaderOffset, notifyWindow, 0, compressedSize,
                uncompressedSize});
}

std::unique_ptr<TPendingOutput> TExtractionDriver::TakeHeldOutput()
{
    return std::move(FHeld);
}

int TExtractionDriver::DecodeEntryTo(TOutputSink& sink, uint64_t localHeaderOffset,
                                     std::optional<uint64_t> compressedSize, std::optional<uint64_t> uncompressedSize)
{
    return Run({nullptr, nullptr, nullptr, nullptr, false, localHeaderOffset, nullptr, 0, compressedSize,
                uncompressedSize, &sink});
}

void TExtractionDriver::UseArchive(const std::string& archiveName, std::unique_ptr<TArchiveReader> reader)
{
    ForgetPassword();  // it belonged to the archive closed here
    FArchiveStream.reset();
    FLentArchive = nullptr;
    FArchive = std::move(reader);
    FArchiveName = archiveName;
    FArchiveIdentity.reset();
    if (FArchive)
        FArchiveStream = std::make_unique<TArchiveStream>(*FArchive);
}

void TExtractionDriver::LendArchive(TArchiveReader& reader)
{
    UseArchive(std::string(), nullptr);
    FLentArchive = &reader;
    FArchiveStream = std::make_unique<TArchiveStream>(reader);
}

// The archive stays open from one entry to the next; a file replaced or
// rewritten under the same name since is opened anew. No name: the lent one.
TArchiveStream* TExtractionDriver::OpenArchive(const std::string* name)
{
    if (!name)
        return FLentArchive ? FArchiveStream.get() : nullptr;
    const std::string& archiveName = *name;
    if (FArchive && archiveName == FArchiveName) {
        platform::TFileIdentity identity;
        if (!FArchiveIdentity || (platform::FileIdentity(archiveName, identity) && identity == *FArchiveIdentity))
            return FArchiveStream.get();
    }
    UseArchive(std::string(), nullptr);
    auto file = std::make_unique<TFileArchiveReader>();
    if (file->Open(archiveName) != 0)
        return nullptr;
    const platform::TFileIdentity identity = file->Identity();
    UseArchive(archiveName, std::move(file));
    FArchiveIdentity = identity;
    return FArchiveStream.get();
}

// Entries of one archive mostly share a few times, and each conversion asks
// the C library for the time zone anew, which costs a system call.
std::optional<int64_t> TExtractionDriver::FileTime(uint32_t dosDateTime)
{
    if (!FLastFileTime || FLastFileTime->first != dosDateTime)
        FLastFileTime.emplace(dosDateTime, platform::LocalTimeToSeconds(DecodeDosDateTime(dosDateTime)));
    return FLastFileTime->second;
}

// The exact time where the entry has one (no time zone enters it), else the
// MS-DOS time as local time.
std::optional<TExactTime> TExtractionDriver::EntryTime(const TEntryShape& shape, uint32_t dosDateTime)
{
    if (shape.Modified)
        return shape.Modified;
    const std::optional<int64_t> seconds = FileTime(dosDateTime);
    return seconds ? std::optional<TExactTime>(TExactTime{*seconds, 0}) : std::nullopt;
}

int TExtractionDriver::OutputFailed(int systemError)
{
    FOutputError = systemError;
    return erOutput;
}

bool TExtractionDriver::BusyMarkIsStale()
{
    if (FState.LastPumpTick == 0)
        return false;
    const uint32_t now = FState.TickCount ? FState.TickCount() : platform::GetTickCount();
    const int64_t difference = int64_t(now) - int64_t(FState.LastPumpTick);
    return (difference < 0 ? -difference : difference) > StaleBusyMs;
}

// The kept password first; when it does not fit (or none is kept), the
// provider is asked until one fits or it gives up.
int TExtractionDriver::Unlock(TDecryptingSource& source, const TLocalHeader& header)
{
    // With the CRC behind the data the writer could not know it up front and checked against the time instead.
    const uint8_t checkByte = header.Flags & gpDescriptor ? uint8_t(header.DosDateTime >> 8) : uint8_t(header.Crc32 >> 24);
    for (bool wrongBefore = false;; wrongBefore = true) {
        if (!FHavePassword) {
            const TPasswordAnswer answer = FPasswordProvider->AskPassword(wrongBefore, FPassword);
            if (answer != paGiven) {
                ForgetPassword();
                return answer == paCancelled ? erEncrypted : answer == paLater ? erPasswordLater : erWrongPassword;
            }
            FHavePassword = true;
        }
        const int result = source.TryPassword(FPassword, checkByte);
        if (result != erWrongPassword)
            return result;
        ForgetPassword();
    }
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
    FOutputError = 0;
    FLastOutput.MadeFolders.clear();
    FLastOutput.Replaced = false;
    FLastOutput.FolderMode.reset();

    TArchiveStream* archive = OpenArchive(request.ArchiveName);
    if (!archive)
        return erRead;
    // One read takes the header, name, extra field, data and descriptor of a
    // small entry when the directory's size is at hand: its name and extra
    // field are seldom long, and the decoders refill whole input buffers.
    constexpr size_t NameAndExtraAllowance = 512;
    archive->Restart(request.LocalHeaderOffset,
                     request.CompressedSize && *request.CompressedSize < SIZE_MAX / 2
                         ? LocalHeaderBytes + NameAndExtraAllowance + size_t(*request.CompressedSize) + DescriptorMaxBytes +
                               InBufSize
                         : SIZE_MAX);
    TLocalHeader header;
    if (!ReadLocalHeader(*archive, request.LocalHeaderOffset, header))
        return erFormat;
    FState.EntryFlags = header.Flags;
    const bool sizesPossible = TakeSizes(header, request.CompressedSize, request.UncompressedSize, FState);
    const bool aes = header.Method == zmAes;
    const uint16_t method = aes ? header.Aes.Method : header.Method;
    if (!CanDecode(method) || (aes && header.Aes.Version == 0))
        return erUnsupported;
    const bool encrypted = header.Flags & gpEncrypted;
    if (encrypted && !FPasswordProvider)
        return erEncrypted;
    if (EncryptionUnsupported(header.Flags))
        return erEncryptionUnsupported;
    if (aes && !encrypted)
        return erFormat;
    if (!sizesPossible)
        return erFormat;
    archive->Seek(header.DataOffset);
    FState.ArchiveFile = archive;
    // Before the output exists: a password that does not fit creates nothing.
    std::optional<TDecryptingSource> decryption;
    if (encrypted) {
        decryption.emplace(*archive, aes ? enAes : enZipCrypto, header.Aes.Strength);
        int result = decryption->ReadHeader(FState.InputSize);
        if (result == erOk)
            result = Unlock(*decryption, header);
        if (result != erOk)
            return result;
        FState.ArchiveFile = &*decryption;
    }
    FState.BytesRead = 0;

    FHeld.reset();
    auto pending = std::make_unique<TPendingOutput>();
    TPendingOutput& output = *pending;
    output.SetLimit(FLimit);
    TDiscardSink discard;
    TLinkTargetSink linkTarget;
    const bool link = request.OutputName && request.Shape->Kind == ekLink;
    if (request.OutputName) {
        const int prepared = PrepareOutput(request, output, linkTarget);
        if (prepared != erOk || !FState.OutputFile)
            return prepared;  // a folder entry is done once its folders stand
    } else {
        FState.OutputFile = request.Sink ? request.Sink : &discard;
    }

    FState.InputEof = false;
    FState.NotifyWindow = request.NotifyWindow;
    FState.NotifyCode = request.NotifyCode;
    FState.PumpMessages();
    FState.LastPercent = 0;
    SendPercent(FState, 0);
    FState.CrcValue = 0xFFFFFFFFu;
    // AE-2 keeps no CRC (its code has checked the data); a traditional check
    // byte matches a wrong password once in 256 times, and the CRC catches it.
    const bool crcKept = !(aes && header.Aes.Version == 2);
    FState.CrcWanted = crcKept;

    int result = RunDecoder(FState, method);
    if (result == erOutput && link && linkTarget.TooLong())
        result = erLinkInvalid;
    else if (result == erOutput && request.OutputName)
        FOutputError = output.Error();  // the decoder saw only that the sink refused
    // AES tells a wrong password or changed data for sure by its code over
    // every encrypted byte; under the traditional cipher, data that fails to
    // decode most likely means a password whose check byte matched by chance,
    // however the decoder words it (garbage may name a huge dictionary or run
    // past the entry's end as well as break the format).
    if (decryption && result != erOutput && result != erAborted && result != erLinkInvalid) {
        const int verdict = decryption->Finish();
        if (verdict != erOk)
            result = verdict;
        else if (!aes && (result == erCrc || result == erFormat || result == erRead || result == erUnsupported ||
                          result == erMemoryLimit))
            result = erWrongPassword;
    }
    uint32_t expectedCrc = header.Crc32;
    if (result == erOk && (header.Flags & gpDescriptor))
        result = ReadDescriptorCrc(FState, method, expectedCrc);
    FState.CrcValue = ~FState.CrcValue;
    FState.ArchiveFile = nullptr;
    const std::optional<TExactTime> time =
        request.OutputName ? EntryTime(*request.Shape, header.DosDateTime) : std::nullopt;
    if (request.OutputName && !link && !output.Finish(time) && result == erOk)
        result = OutputFailed(output.Error());
    if (result != erOk)
        return result;
    if (crcKept && expectedCrc != FState.CrcValue)
        return encrypted && !aes ? erWrongPassword : erCrc;
    FState.LastPercent = 100;
    if (!SendPercent(FState, 100))
        return erAborted;
    if (link)
        return MakeLink(request, linkTarget, time);
    if (request.OutputName && FHold) {
        FHeld = std::move(pending);
        return erOk;
    }
    if (request.OutputName && !output.Commit(FLinkWay))
        return OutputFailed(output.Error());
    FLastOutput.Replaced = request.OutputName && output.Replaced();
    return erOk;
}

// Reaches the folder the output goes to without following a link: its
// folders are made where missing (also for a folder entry), a folder that is
// a link refuses the entry (ELOOP), and, for a file or link, the pending
// output becomes the state's sink. Consecutive entries in one folder share
// the handle reached, so a run of them costs no walk; one at the top of the
// target costs none at all.
int TExtractionDriver::PrepareOutput(const TRequest& request, TPendingOutput& output, TLinkTargetSink& linkTarget)
{
    const TEntryShape& shape = *request.Shape;
    std::string name = *request.OutputName;
    if (shape.Kind == ekFolder && !name.empty() && name.back() != '/')
        name += '/';
    if (name.empty() || name.size() > MaxOutputName)
        return OutputFailed(name.empty() ? ENOENT : ENAMETOOLONG);
    if (!FUmask)
        FUmask = platform::ReadUmask();
    const size_t slash = name.rfind('/', name.size() - 2);
    if (shape.Kind == ekLink) {
        // Its folders wait for its target to be judged: a refused link makes nothing.
        FLeafName = slash == std::string::npos ? name : name.substr(slash + 1);
        FState.OutputFile = &linkTarget;
        return erOk;
    }
    const std::string folder = name.back() == '/' ? name.substr(0, name.size() - 1)
                               : slash == std::string::npos ? std::string()
                                                            : name.substr(0, slash);
    const platform::TFolder* reached = nullptr;
    bool fromCache = false;
    int error = ReachFolder(request, folder, reached, fromCache);
    if (error != 0)
        return OutputFailed(error);
    if (name.back() == '/') {
        if (shape.Mode)
            FLastOutput.FolderMode = *shape.Mode & ~*FUmask;
        return erOk;  // a folder entry is done once its folders stand
    }
    FLeafName = slash == std::string::npos ? name : name.substr(slash + 1);
    const platform::TFileMode mode =
        shape.Mode ? *shape.Mode & ~*FUmask : platform::ModeForAttributes(shape.DosAttributes, *FUmask);
    // A held file commits later, after this driver has moved on: it is named from the job's folder.
    error = FHold ? output.Create(*request.Folder, name, mode, *FUmask) : output.Create(*reached, FLeafName, mode, *FUmask);
    // A folder held since an earlier entry may have been removed meanwhile.
    if (error != 0 && fromCache) {
        FReached.Forget(folder);
        error = ReachFolder(request, folder, reached, fromCache);
        if (error == 0)
            error = FHold ? output.Create(*request.Folder, name, mode, *FUmask)
                          : output.Create(*reached, FLeafName, mode, *FUmask);
    }
    if (error != 0)
        return OutputFailed(error);
    FState.OutputFile = &output;
    return erOk;
}

// `reached` gets the folder `folder` below the request's ("": that one
// itself), made where missing; 0 or the errno value.
int TExtractionDriver::ReachFolder(const TRequest& request, const std::string& folder,
                                   const platform::TFolder*& reached, bool& fromCache)
{
    const platform::TFolder& base = *request.Folder;
    fromCache = false;
    if (folder.empty()) {
        reached = &base;
        return 0;
    }
    reached = FReached.Find(base.Serial(), folder);
    if (reached) {
        fromCache = true;
        return 0;
    }
    auto opened = std::make_unique<platform::TFolder>();
    const auto open = [&] {
        return request.FollowLinks ? opened->OpenAt(base, folder) : opened->OpenBeneath(base, folder);
    };
    int error = open();
    if (error == ENOENT) {
        // Every folder that stands on the way was just found to be no link.
        error = CreateFoldersAlong(base, folder + '/', &FLastOutput.MadeFolders);
        if (error == 0)
            error = open();
    }
    if (error != 0)
        return error;
    reached = FReached.Keep(base.Serial(), folder, std::move(opened));
    return 0;
}

// The link's target must stay inside the target folder, judged as the
// entry's name is; nothing is made for one that does not.
int TExtractionDriver::MakeLink(const TRequest& request, const TLinkTargetSink& linkTarget,
                                std::optional<TExactTime> time)
{
    if (!linkTarget.Usable())
        return erLinkInvalid;
    if (!LinkTargetStaysInside(*request.OutputName, linkTarget.Target()))
        return erLinkOutside;
    const platform::TFolder* reached = nullptr;
    bool fromCache = false;
    const size_t slash = request.OutputName->rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : request.OutputName->substr(0, slash);
    bool replaced = false;
    int error = ReachFolder(request, folder, reached, fromCache);
    if (error != 0)
        return OutputFailed(error);
    error = platform::CreateLinkAt(*reached, FLeafName, linkTarget.Target(), replaced);
    // A folder held since an earlier entry may have been removed meanwhile.
    if (error == ENOENT && fromCache) {
        FReached.Forget(folder);
        if (const int reachError = ReachFolder(request, folder, reached, fromCache); reachError != 0)
            return OutputFailed(reachError);
        error = platform::CreateLinkAt(*reached, FLeafName, linkTarget.Target(), replaced);
    }
    // EPERM from symlinkat is a file system without links (FAT), not missing rights (EACCES).
    if (error != 0)
        return OutputFailed(error == EPERM ? EOPNOTSUPP : error);
    if (time)
        platform::SetLinkTimeAt(*reached, FLeafName, time->Seconds, time->Nanoseconds);
    FLastOutput.Replaced = replaced;
    return erOk;
}

}  // namespace valbrix
