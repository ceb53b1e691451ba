// The extraction driver: extracts one archive entry to one file (or creates
// one folder or one symbolic link), with CRC check, file time and mode. It owns the engine
// state; the busy guard refuses a nested extraction started from a handler
// that runs while the engine pumps messages. The output is written to a file
// without a name (or a temporary file) in the target's folder and takes the
// target's place only on success, so a damaged or aborted entry never
// destroys an existing file. Output names are relative to a folder handle;
// the process's current directory is never changed, so drivers on several
// threads can write below one folder at once. The archive stays open from
// one entry to the next while its file stays the same, or is lent by the
// caller's open archive. No entry is written through a link: the folders
// of an output name are reached without following any.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "engine/EngineState.h"
#include "engine/crypto/Secret.h"
#include "engine/extract/EntryShape.h"
#include "engine/extract/ReachedFolders.h"
#include "platform/FileServices.h"

namespace valbrix {

class TArchiveReader;
class TArchiveStream;
class TPendingOutput;
class TOutputLimit;
class TLinkTargetSink;
class TDecryptingSource;
class TPasswordProvider;
struct TLocalHeader;

class TExtractionDriver {
public:
    TExtractionDriver();
    ~TExtractionDriver();
    TExtractionDriver(const TExtractionDriver&) = delete;
    TExtractionDriver& operator=(const TExtractionDriver&) = delete;

    // Returns a result code (ResultCodes.h). The optional sizes come from the
    // central directory and stand in when the local header gives none.
    int ExtractEntry(const std::string& archiveName, const std::string& outputName, uint16_t attributes,
                     uint64_t localHeaderOffset, TProgressReceiver* notifyWindow = nullptr,
                     int16_t notifyCode = 0, std::optional<uint64_t> compressedSize = std::nullopt,
                     std::optional<uint64_t> uncompressedSize = std::nullopt);

    // The same below the folder `folder` holds open: `relativeName` (a
    // trailing '/' for a folder entry) is resolved from it, and the archive
    // read is the one lent by LendArchive. `shape` says what to make.
    int ExtractEntryAt(const platform::TFolder& folder, const std::string& relativeName, const TEntryShape& shape,
                       uint64_t localHeaderOffset, TProgressReceiver* notifyWindow = nullptr, int16_t notifyCode = 0,
                       std::optional<uint64_t> compressedSize = std::nullopt,
                       std::optional<uint64_t> uncompressedSize = std::nullopt);
    int ExtractEntryAt(const platform::TFolder& folder, const std::string& relativeName, uint16_t attributes,
                       uint64_t localHeaderOffset, TProgressReceiver* notifyWindow = nullptr, int16_t notifyCode = 0,
                       std::optional<uint64_t> compressedSize = std::nullopt,
                       std::optional<uint64_t> uncompressedSize = std::nullopt)
    {
        return ExtractEntryAt(folder, relativeName, DosShape(attributes), localHeaderOffset, notifyWindow, notifyCode,
                              compressedSize, uncompressedSize);
    }

    // Decodes the entry and checks its CRC without writing anything: the
    // same steps and result codes as ExtractEntry, less the output file.
    int TestEntry(const std::string& archiveName, uint64_t localHeaderOffset, TProgressReceiver* notifyWindow = nullptr,
                  int16_t notifyCode = 0, std::optional<uint64_t> compressedSize = std::nullopt,
                  std::optional<uint64_t> uncompressedSize = std::nullopt);

    // The same over the lent archive.
    int TestEntry(uint64_t localHeaderOffset, std::optional<uint64_t> compressedSize,
                  std::optional<uint64_t> uncompressedSize, TProgressReceiver* notifyWindow = nullptr);

    // The same, with the decoded bytes handed to `sink` as they come (a
    // stream, not a file: a failure found late leaves what was handed on).
    int DecodeEntryTo(TOutputSink& sink, uint64_t localHeaderOffset, std::optional<uint64_t> compressedSize,
                      std::optional<uint64_t> uncompressedSize);

    // The system error (errno) of the output step when the last call ended
    // in the output error; 0 otherwise or when the step knew none.
    int OutputError() const { return FOutputError; }
    // What the last ExtractEntryAt did to the target folder beyond its
    // result: the folders it made (also when the entry then failed) and
    // whether its file took the place of one that stood there.
    struct TOutputTrail {
        std::vector<std::string> MadeFolders;  // relative to the target folder, parents first
        bool Replaced = false;
        // A folder entry's stored mode, less the umask: the caller gives it
        // to the folder once the folder's contents are written, so a
        // read-only folder does not stop its own files.
        std::optional<platform::TFileMode> FolderMode;
    };
    const TOutputTrail& LastOutput() const { return FLastOutput; }

    // The seams (pump hook, clock, abort key) live in the state.
    TEngineState& State() { return FState; }

    // Reads the archive of that name from `reader` from now on instead of
    // opening the file (memory-held archives in fuzz targets and tests);
    // a call with another name opens that file as usual.
    void UseArchive(const std::string& archiveName, std::unique_ptr<TArchiveReader> reader);
    // Reads ExtractEntryAt's entries from `reader`, which the caller keeps
    // open and alive as long as this driver uses it; the reader may be lent
    // to several drivers at once when its ReadAt is safe to call from
    // several threads (a file's is).
    void LendArchive(TArchiveReader& reader);

    // Who is asked for the password of an encrypted entry; none (the
    // default) leaves every encrypted entry failing as encrypted. The
    // provider outlives its use here.
    void SetPasswordProvider(TPasswordProvider* provider) { FPasswordProvider = provider; }
    // The process's umask, read by the caller once before its workers start;
    // without it the driver reads it at its first output file.
    void SetUmask(platform::TFileMode umask) { FUmask = umask; }
    // Folders held open beyond the last one reached (none by default: a
    // handle keeps its file system busy while the driver lives).
    void SetKeptFolders(size_t kept) { FReached.SetKept(kept); }

    // Wipes the kept password; also done when another archive is opened
    // and when the driver dies.
    void ForgetPassword() { FPassword.Clear(); FHavePassword = false; }

    // Hold mode (for a job that names its entries in list order): an entry
    // checked out in ExtractEntryAt keeps its file without a name and makes
    // no folders; the caller takes it with TakeHeldOutput and commits it
    // when its turn comes. A folder entry then holds nothing: the caller
    // makes it. Decoded bytes of every output meet `limit` when one is set.
    void SetHoldOutput(bool hold) { FHold = hold; }
    std::unique_ptr<TPendingOutput> TakeHeldOutput();
    void SetOutputLimit(TOutputLimit* limit) { FLimit = limit; }

    // Longest output path taken, in bytes, made absolute: the platform's
    // limit (entry names keep their own, shorter one in the directory
    // reader); longer paths give the output error.
    static constexpr size_t MaxOutputName = platform::MaxPathBytes;

private:
    struct TRequest;
    int Run(const TRequest& request);
    bool BusyMarkIsStale();
    TArchiveStream* OpenArchive(const std::string* archiveName);
    int PrepareOutput(const TRequest& request, TPendingOutput& output, TLinkTargetSink& linkTarget);
    int ReachFolder(const TRequest& request, const std::string& folder, const platform::TFolder*& reached,
                    bool& fromCache);
    int MakeLink(const TRequest& request, const TLinkTargetSink& linkTarget, std::optional<TExactTime> time);
    std::optional<TExactTime> EntryTime(const TEntryShape& shape, uint32_t dosDateTime);
    int OutputFailed(int systemError);
    std::optional<int64_t> FileTime(uint32_t dosDateTime);
    int Unlock(TDecryptingSource& source, const TLocalHeader& header);

    TEngineState FState;
    std::unique_ptr<uint8_t[]> FWindow;  // the output window, kept between entries
    bool FRunning = false;               // an entry is being extracted right now (below any nested call)
    int FOutputError = 0;                // errno behind the last call's output error
    TOutputTrail FLastOutput;
    // The archive of the last entry, kept open for the next one.
    std::string FArchiveName;
    std::unique_ptr<TArchiveReader> FArchive;   // owned: opened here or given by UseArchive
    TArchiveReader* FLentArchive = nullptr;      // not owned: given by LendArchive
    std::unique_ptr<TArchiveStream> FArchiveStream;
    std::optional<platform::TFileIdentity> FArchiveIdentity;  // none: held in memory, never reopened
    std::optional<platform::TFileMode> FUmask;  // given by SetUmask or read at the first output file, then kept
    platform::TLinkWay FLinkWay = platform::lwUntried;  // learnt at the first output file
    TReachedFolders FReached;
    std::string FLeafName;  // the last component of the output being prepared
    TPasswordProvider* FPasswordProvider = nullptr;
    bool FHold = false;
    std::unique_ptr<TPendingOutput> FHeld;  // the last entry's file, in hold mode
    TOutputLimit* FLimit = nullptr;
    // The password that fitted the last encrypted entry of this archive, tried first on the next.
    TSecret FPassword;
    bool FHavePassword = false;  // an empty password is a password too
    // The last MS-DOS time converted, and the seconds it gave (none: no such moment).
    std::optional<std::pair<uint32_t, std::optional<int64_t>>> FLastFileTime;
};

}  // namespace valbrix
