// One extraction job, the same for the window and valbrix-cli: it takes an
// open archive, a target folder, the options and a selection, applies the
// containment rule to each entry's name, and runs the entries on a small
// pool of workers, each with its own extraction driver and engine state.
// Everything the front end sees goes through one receiver, called only on
// the thread that runs the job and always in archive order: the question
// before an existing file is replaced, progress in bytes (within an entry
// too), and the result of each entry. Workers decode ahead into files
// without a name; an entry takes its name in the target only when every
// earlier one has been answered and delivered, so the target after any
// answer or result is what a run of one worker leaves at that point, and
// a run stopped at a question leaves nothing of the entries behind it.
// What is held ahead is bounded in entries and bytes. Two entries that land
// on one path (or on a file and a folder above it) are looked at one after
// the other, as a serial run would.
// The target folder is held by a handle: nothing here moves the process's
// current directory. An abort stops every worker; the entry being written
// and those held are discarded, so no partial or temporary file stays. A
// full disk (or a read-only one) ends the run after the entry that met it,
// with one word for all the entries not extracted. An encrypted entry
// that finds no fitting password waits, unwritten, until it is the first
// entry not yet delivered; then the receiver is asked (on the job's thread,
// in archive order like every question), the answer is kept with the
// archive for every worker, and the entry runs again. The test mode runs
// the same way without a target: entries are decoded and checked only.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_set>
#include <vector>

#include "engine/archive/ZipArchive.h"
#include "engine/extract/ArchiveImage.h"
#include "engine/crypto/PasswordProvider.h"
#include "engine/extract/EntrySelection.h"
#include "engine/extract/WrittenNames.h"
#include "engine/extract/RunTrail.h"
#include "platform/FileServices.h"

namespace valbrix {

class TExtractionDriver;
class TOutputLimit;
class TPendingOutput;

struct TJobOptions {
    bool WithFolders = true;  // keep each entry's folders below the target folder
    bool Overwrite = false;   // replace existing files without asking
    unsigned Workers = 0;     // 0: one per online processor; 1: the serial path on the calling thread
    bool KeepTrail = false;   // note what the run creates (TExtractJob::Trail), so a stopped run can be undone
    bool TestOnly = false;    // decode and check only: no target, no questions, folder entries left out
    // Bounds of what workers hold ahead of the first entry not yet
    // delivered, so a slow answer fills neither the disk nor the memory.
    size_t HeldEntries = 64;
    uint64_t HeldBytes = 256u << 20;
    TOutputLimit* OutputLimit = nullptr;  // a seam for tests: what the outputs may still take
};


enum TReplaceAnswer : uint8_t { raReplace, raKeep, raAbort };

// What stands where an entry would land.
struct TExistingNode {
    bool IsFolder = false;
    uint64_t Bytes = 0;
    int64_t ModifiedSeconds = 0;  // seconds since the epoch
};

// How one entry ended.
struct TEntryOutcome {
    const TZipEntry& Entry;
    const std::string& Target;  // relative to the target folder ('/' behind a folder); empty when refused
    int Result;                 // result code (ResultCodes.h)
    int OutputError;            // with erOutput: the errno value of the step that failed (0: not known)
    bool Written;               // a file was written or a folder made (false: kept, left out, failed)
};

class TExtractReceiver {
public:
    virtual ~TExtractReceiver() = default;
    // Something stands at `target`; asked only without the overwrite option.
    virtual TReplaceAnswer AskReplace(const TZipEntry& entry, const std::string& target,
                                      const TExistingNode& existing) = 0;
    // Units done of the total: bytes when the selection has any, else
    // entries. Called often while the job runs; false asks for an abort.
    virtual bool Progress(uint64_t done, uint64_t total) = 0;
    virtual void EntryDone(const TEntryOutcome& outcome) = 0;
    // An encrypted entry found no password that fits: none is kept yet, or
    // the one kept failed it (`wrongBefore`). paCancelled fails the entry as
    // encrypted, paNoOther as a wrong password. By default nobody is asked.
    virtual TPasswordAnswer AskPassword(const TZipEntry& /*entry*/, bool /*wrongBefore*/, TSecret& /*password*/)
    {
        return paCancelled;
    }
};

struct TJobSummary {
    uint64_t Written = 0;  // entries with Written set
    uint64_t Failed = 0;   // entries whose result was not erOk
    bool Aborted = false;
    // A full or read-only disk ended the run: the errno value met, and the
    // entries not extracted (the one that met it and every one behind it),
    // none of which reached EntryDone.
    int DiskError = 0;
    uint64_t NotExtracted = 0;
};

// ENOSPC, EDQUOT, EROFS: no later entry could be written either.
bool EndsTheRun(int outputError);

class TExtractJob {
public:
    // `archive` must stay open while the job runs.
    TExtractJob(const TZipArchive& archive, const TJobOptions& options, TExtractReceiver& receiver);
    ~TExtractJob();
    TExtractJob(const TExtractJob&) = delete;
    TExtractJob& operator=(const TExtractJob&) = delete;

    // Opens the target folder (which must exist) once; 0 or the errno value.
    // Not needed in test mode.
    int OpenTarget(const std::string& folder);
    TJobSummary Run(TEntrySelection& selection);
    // Safe from any thread and from a signal handler.
    void Abort() { FAbort.store(true, std::memory_order_relaxed); }
    bool AbortRequested() const { return FAbort.load(std::memory_order_relaxed); }

    // With KeepTrail: what Run created, delivered entries and (after an
    // abort) every entry that got as far as the disk.
    const TRunTrail& Trail() const { return FTrail; }

    // The workers a job with `requested` workers runs (0: online processors).
    static unsigned WorkerCount(unsigned requested);

private:
    struct TSlot;
    class TSlotProgress;
    class TSlotPasswords;
    enum class TStep : uint8_t;

    void AddSlot(const TZipEntry& entry);
    void DispatchWaiting();
    bool ClashesWithEarlier(size_t index) const;
    bool MayStandAlready(size_t index) const;
    void NoteWhatStands(const TSlot& slot);
    void Start(TSlot& slot);
    void QueueStarted();
    TStep SettleFront(TJobSummary& summary);
    void Commit(TSlot& slot);
    void Deliver(TSlot& slot, TJobSummary& summary);
    bool MayStart(size_t index) const;
    void TrailAfterStop();
    void Prepare(TExtractionDriver& driver) const;
    bool AskPassword(TSlot& slot);
    static bool NeedsPassword(TSlot& slot);
    void RunSlot(TExtractionDriver& driver, TSlotPasswords& passwords, TSlot& slot);
    void WorkerLoop();
    void ReportProgress(bool final);
    bool FrontMayMove() const;
    void StopWorkers();
    void ApplyFolderModes();

    const TZipArchive& FArchive;
    TJobOptions FOptions;
    TExtractReceiver& FReceiver;
    platform::TFolder FTarget;
    std::atomic<bool> FAbort{false};
    TRunTrail FTrail;
    platform::TFileMode FUmask = 077;  // read once per run, before any worker starts

    // Folders this run made (up to a bound) and the names written or made
    // in them: in such a folder nothing else can stand, so the look at the
    // disk before each entry is spared.
    struct TViewHash {
        using is_transparent = void;
        size_t operator()(std::string_view name) const { return std::hash<std::string_view>{}(name); }
    };
    std::unordered_set<std::string, TViewHash, std::equal_to<>> FFreshFolders;
    TWrittenNameSet FWrittenNames;
    // Folder entries' stored modes, given once the run has written below them.
    std::vector<std::pair<std::string, platform::TFileMode>> FFolderModes;

    // Entries from the first not yet delivered, in archive order.
    std::deque<std::unique_ptr<TSlot>> FSlots;
    size_t FWindow = 1;            // most entries held at once
    uint64_t FTotal = 0;           // progress units of the whole selection
    bool FByCount = false;         // progress counts entries (the selection has no bytes)
    uint64_t FHeldBytes = 0;       // sizes of the entries started and not yet delivered
    uint64_t FDelivered = 0;       // entries that reached EntryDone
    int FDiskError = 0;            // the full disk that ended the run
    platform::TLinkWay FLinkWay = platform::lwUntried;  // learnt at the first commit
    uint64_t FSettledUnits = 0;    // units of the entries already delivered
    std::chrono::steady_clock::time_point FLastProgress{};
    uint64_t FLastDone = 0;

    std::unique_ptr<TExtractionDriver> FInlineDriver;  // the serial path's driver
    std::unique_ptr<TSlotPasswords> FInlinePasswords;
    size_t FKeptFolders = 0;  // per driver, set before the workers start
    TArchiveImage FImage;     // what the drivers read, when the run is worth one
    std::vector<std::thread> FWorkers;
    std::mutex FLock;                  // guards FQueue, FStopping and every slot's State
    std::condition_variable FWorkReady;
    std::condition_variable FSlotDone;
    std::deque<TSlot*> FQueue;         // started, not yet taken by a worker
    std::vector<TSlot*> FStarted;      // started, not yet queued (the calling thread's own)
    TSlot* FAwaited = nullptr;         // the front entry while the calling thread waits for it
    bool FStopping = false;
};

}  // namespace valbrix
