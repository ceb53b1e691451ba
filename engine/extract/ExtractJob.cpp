// The extraction job; see the header. The calling thread is the only one
// that talks to the receiver: it pulls entries from the selection into a
// bounded window of slots, starts each one whose path clashes with no
// earlier undelivered entry, asks, names and delivers at the front of the
// window, and reports progress while it waits. Workers only run the driver,
// which holds each file it decoded without a name; one that needs a
// password it does not have leaves the entry waiting for its turn at the
// front, where the receiver is asked. With one worker the calling thread
// runs each entry itself, one at a time.
#include "engine/extract/ExtractJob.h"

#include <algorithm>
#include <cerrno>
#include <chrono>

#include "engine/ResultCodes.h"
#include "engine/SizeSum.h"
#include "engine/extract/EntryShape.h"
#include "engine/extract/ExtractEntry.h"
#include "engine/extract/OutputFile.h"
#include "engine/extract/TargetPath.h"
#include "platform/SystemFacts.h"
#include "platform/ThreadPolicy.h"

namespace valbrix {

namespace {

using namespace std::chrono_literals;

// Often enough for a smooth bar, rarely enough that the window's repaints
// cost nothing next to the decoding.
constexpr auto ProgressInterval = 20ms;
// Entries held per worker: enough that a worker never waits for a question
// or a slow entry ahead of it, few enough that memory stays flat.
constexpr size_t SlotsPerWorker = 32;
// Folder handles the drivers hold open together, besides the held files.
constexpr size_t KeptFolders = 256;
// Folders of this run remembered by name; an archive with more looks at the
// disk for the entries in the others, as it would without them.
constexpr size_t FreshFolderLimit = 4096;

// True when one path is the other or lies below it: such entries must run
// in archive order. "" is the target folder itself, above everything.
bool PathsMeet(const std::string& a, const std::string& b)
{
    const std::string& shorter = a.size() <= b.size() ? a : b;
    const std::string& longer = a.size() <= b.size() ? b : a;
    if (shorter.empty())
        return true;
    return longer.compare(0, shorter.size(), shorter) == 0 &&
           (longer.size() == shorter.size() || longer[shorter.size()] == '/');
}

// units * percent / 100 without overflow for any 64-bit size.
uint64_t PartOf(uint64_t units, uint16_t percent)
{
    return units / 100 * percent + units % 100 * percent / 100;
}

}  // namespace

enum class TExtractJob::TStep : uint8_t { Moved, Waiting, Stop };

struct TExtractJob::TSlot {
    enum TState : uint8_t { sWaiting, sAsk, sRunning, sPassword, sDone };
    TZipEntry Entry;
    std::string Target;  // relative to the target folder, '/' behind a folder; empty: nothing to write
    std::string Key;     // Target without the '/', for clash tests
    uint64_t Units = 0;  // progress units of this entry
    TExistingNode Existing;
    // Set by the calling thread, and by a worker under FLock; read anywhere.
    std::atomic<TState> State{sWaiting};
    std::atomic<uint64_t> UnitsDone{0};  // within the running entry
    int Result = erOk;
    int OutputError = 0;
    bool Written = false;
    bool Replaced = false;                 // the file took the place of one that stood there
    bool Counted = false;                  // its size is in FHeldBytes
    std::unique_ptr<TPendingOutput> Held;  // decoded and checked, waiting for its name
    std::vector<std::string> MadeFolders;  // by this entry's run, also when it failed
    std::optional<platform::TFileMode> FolderMode;  // a folder entry's mode, for the end of the run
    // The kept passwords tried on this entry: the one its worker tried
    // first (the last that fitted there; SIZE_MAX: none), then every one
    // below NextPassword.
    size_t FirstPassword = SIZE_MAX;
    size_t NextPassword = 0;
    // The last run got past the password check and then failed as a wrong
    // password: a traditional check byte that matched by chance, or AES data
    // whose code did not match (changed data, or a password that matched
    // the verifier by chance).
    bool FailedAfterCheck = false;

    bool TriedAnyPassword() const { return FirstPassword != SIZE_MAX || NextPassword > 0; }
    bool HasUntriedPassword(size_t kept) const
    {
        for (size_t i = NextPassword; i < kept; ++i)
            if (i != FirstPassword)
                return true;
        return false;
    }
};

// Turns the driver's percentages into the slot's units done, and answers an abort.
class TExtractJob::TSlotProgress : public TProgressReceiver {
public:
    TSlotProgress(const TExtractJob& job, TSlot& slot) : FJob(job), FSlot(slot) {}
    void Progress(int16_t /*notifyCode*/, uint16_t& percent) override
    {
        if (FJob.AbortRequested()) {
            percent = AbortProgress;
            return;
        }
        FSlot.UnitsDone.store(PartOf(FSlot.Units, std::min<uint16_t>(percent, 100)), std::memory_order_relaxed);
    }

private:
    const TExtractJob& FJob;
    TSlot& FSlot;
};

// A worker's answer to its driver's password question: the kept passwords
// this entry has not tried yet, the one that last fitted on this worker
// first; when none is left, "later", and the job asks the receiver on its
// own thread when the entry's turn comes.
class TExtractJob::TSlotPasswords : public TPasswordProvider {
public:
    explicit TSlotPasswords(const TKeptPasswords& kept) : FKept(kept) {}
    void Begin(TSlot& slot)
    {
        FSlot = &slot;
        FOffered = SIZE_MAX;
    }
    // After the entry ran: a password that got it past the check goes first on the next one.
    void End()
    {
        if (FOffered != SIZE_MAX && FSlot->Result != erPasswordLater && FSlot->Result != erWrongPassword)
            FLastFit = FOffered;
    }
    TPasswordAnswer AskPassword(bool /*wrongBefore*/, TSecret& password) override
    {
        const size_t count = FKept.Count();
        TSlot& slot = *FSlot;
        size_t index = SIZE_MAX;
        if (!slot.TriedAnyPassword() && FLastFit < count) {
            index = slot.FirstPassword = FLastFit;
        } else {
            if (slot.NextPassword == slot.FirstPassword)
                ++slot.NextPassword;
            if (slot.NextPassword < count)
                index = slot.NextPassword++;
        }
        if (index == SIZE_MAX) {
            password.Clear();
            return paLater;
        }
        FKept.Get(index, password);
        FOffered = index;
        return paGiven;
    }

private:
    const TKeptPasswords& FKept;
    TSlot* FSlot = nullptr;
    size_t FOffered = SIZE_MAX;  // the last password given for the running entry
    size_t FLastFit = SIZE_MAX;
};

bool EndsTheRun(int outputError)
{
    return outputError == ENOSPC || outputError == EDQUOT || outputError == EROFS;
}

TExtractJob::TExtractJob(const TZipArchive& archive, const TJobOptions& options, TExtractReceiver& receiver)
    : FArchive(archive), FOptions(options), FReceiver(receiver)
{
}

TExtractJob::~TExtractJob()
{
    Abort();
    StopWorkers();
}

unsigned TExtractJob::WorkerCount(unsigned requested)
{
    return requested > 0 ? requested : platform::OnlineProcessors();
}

int TExtractJob::OpenTarget(const std::string& folder)
{
    return FTarget.Open(folder);
}

void TExtractJob::AddSlot(const TZipEntry& entry)
{
    auto slot = std::make_unique<TSlot>();
    slot->Entry = entry;
    slot->Units = FByCount ? 1 : entry.UncompressedSize;
    const bool folderEntry = IsFolderName(entry.FileName);
    if (entry.Damage != edNone && !folderEntry) {
        slot->Result = erRead;  // its data is not all there: nothing of it is written, not even partly
        slot->State = TSlot::sDone;
        FSlots.push_back(std::move(slot));
        return;
    }
    if (FOptions.TestOnly) {
        if (folderEntry)
            slot->State = TSlot::sDone;  // nothing to decode
        FSlots.push_back(std::move(slot));
        return;
    }
    const std::optional<std::string> relative = ContainedName(entry.FileName, !FOptions.WithFolders);
    if (folderEntry && !FOptions.WithFolders) {
        slot->State = TSlot::sDone;  // without the archive's folders a folder entry has nothing to make
    } else if (!relative || (relative->empty() && !folderEntry)) {
        slot->Result = erNameRefused;
        slot->State = TSlot::sDone;
    } else {
        slot->Key = *relative;
        slot->Target = *relative + (folderEntry ? "/" : "");
    }
    FSlots.push_back(std::move(slot));
}

// Whether an earlier entry, not yet delivered, may still change what stands
// at this entry's path; the look before the question waits for it. A
// folder entry above changes nothing there. Without questions (overwrite,
// test) nothing waits: names are given in list order all the same.
bool TExtractJob::ClashesWithEarlier(size_t index) const
{
    if (FOptions.Overwrite || FOptions.TestOnly)
        return false;
    const std::string& key = FSlots[index]->Key;
    for (size_t i = 0; i < index; ++i) {
        const TSlot& earlier = *FSlots[i];
        if (earlier.Target.empty() || !PathsMeet(earlier.Key, key))
            continue;
        if (!IsFolderName(earlier.Target) || earlier.Key.size() >= key.size())
            return true;
    }
    return false;
}

// The front always starts; behind it, no more than the bound of bytes is held.
bool TExtractJob::MayStart(size_t index) const
{
    return index == 0 || AddSizeSaturated(FHeldBytes, FSlots[index]->Entry.UncompressedSize) <= FOptions.HeldBytes;
}

// False only when nothing can stand at the entry's path: its folder was
// made by this run, and neither a delivered entry (the filter) nor one
// still held wrote or made that name. Someone else writing into our new
// folder meanwhile is the same race as between a look and the write.
bool TExtractJob::MayStandAlready(size_t index) const
{
    const std::string& key = FSlots[index]->Key;
    const size_t slash = key.rfind('/');
    if (slash == std::string::npos || !FFreshFolders.contains(std::string_view(key).substr(0, slash)) ||
        FWrittenNames.MayContain(key))
        return true;
    for (size_t i = 0; i < index; ++i)
        if (PathsMeet(FSlots[i]->Key, key))
            return true;
    return false;
}

void TExtractJob::NoteWhatStands(const TSlot& slot)
{
    if (FOptions.Overwrite)
        return;
    for (const std::string& folder : slot.MadeFolders) {
        FWrittenNames.Add(folder);
        if (FFreshFolders.size() < FreshFolderLimit)
            FFreshFolders.insert(folder);
    }
    if (slot.Written)
        FWrittenNames.Add(slot.Key);
}

// Starts, in archive order, each waiting entry that no earlier unfinished
// entry's path clashes with; one that would replace something waits for
// its question instead.
void TExtractJob::DispatchWaiting()
{
    const size_t keptPasswords = FArchive.KeptPasswords().Count();
    for (size_t i = 0; i < FSlots.size() && !AbortRequested(); ++i) {
        TSlot& slot = *FSlots[i];
        // A password given since the entry waited may fit it: no need to wait for its turn.
        if (slot.State == TSlot::sPassword && slot.HasUntriedPassword(keptPasswords)) {
            Start(slot);
            continue;
        }
        if (slot.State != TSlot::sWaiting)
            continue;
        if (!MayStart(i))
            break;
        if (ClashesWithEarlier(i))
            continue;
        platform::TNodeFacts facts;
        if (!FOptions.Overwrite && !FOptions.TestOnly && !IsFolderName(slot.Target) && MayStandAlready(i) &&
            platform::NodeFactsAt(FTarget, slot.Key, facts)) {
            slot.Existing = {facts.IsFolder, facts.Bytes, facts.ModifiedSeconds};
            slot.State = TSlot::sAsk;
            continue;
        }
        Start(slot);
    }
    QueueStarted();
}

void TExtractJob::Start(TSlot& slot)
{
    slot.State = TSlot::sRunning;
    if (!slot.Counted) {
        FHeldBytes = AddSizeSaturated(FHeldBytes, slot.Entry.UncompressedSize);
        slot.Counted = true;
    }
    if (FInlineDriver) {
        RunSlot(*FInlineDriver, *FInlinePasswords, slot);
        slot.State = NeedsPassword(slot) ? TSlot::sPassword : TSlot::sDone;
        return;
    }
    FStarted.push_back(&slot);
}

// Hands the entries started since the last call to the workers under one
// lock and one wake: per entry, the lock and the wake cost more than a tiny
// entry's decoding.
void TExtractJob::QueueStarted()
{
    if (FStarted.empty())
        return;
    {
        const std::lock_guard<std::mutex> lock(FLock);
        FQueue.insert(FQueue.end(), FStarted.begin(), FStarted.end());
    }
    if (FStarted.size() == 1)
        FWorkReady.notify_one();
    else
        FWorkReady.notify_all();
    FStarted.clear();
}

// Asks or delivers for the first entry of the window, the only one that may
// reach the receiver, so questions and results keep archive order.
TExtractJob::TStep TExtractJob::SettleFront(TJobSummary& summary)
{
    TSlot& slot = *FSlots.front();
    if (slot.State == TSlot::sAsk) {
        const TReplaceAnswer answer = FReceiver.AskReplace(slot.Entry, slot.Target, slot.Existing);
        if (answer == raAbort)
            Abort();
        if (AbortRequested())
            return TStep::Stop;
        if (answer == raReplace)
            Start(slot);
        else
            slot.State = TSlot::sDone;
        return TStep::Moved;
    }
    if (slot.State == TSlot::sPassword)
        return AskPassword(slot) ? TStep::Moved : TStep::Stop;
    if (slot.State != TSlot::sDone)
        return TStep::Waiting;
    if (AbortRequested())
        return TStep::Stop;
    Commit(slot);
    if (slot.Result == erOutput && EndsTheRun(slot.OutputError)) {
        FDiskError = slot.OutputError;
        Abort();
        return TStep::Stop;
    }
    Deliver(slot, summary);
    FSettledUnits = AddSizeSaturated(FSettledUnits, slot.Units);
    if (slot.Counted)
        FHeldBytes -= std::min(FHeldBytes, slot.Entry.UncompressedSize);
    FSlots.pop_front();
    return TStep::Moved;
}

// The entry's turn: its file takes its name, or its folder is made, with
// the folders along the way.
void TExtractJob::Commit(TSlot& slot)
{
    if (FOptions.TestOnly || slot.Result != erOk || slot.Target.empty())
        return;
    int error = 0;
    if (slot.Held) {
        if (!slot.Held->Commit(FLinkWay))
            error = slot.Held->Error();
        slot.Replaced = error == 0 && slot.Held->Replaced();
        slot.Held.reset();
    } else {
        // A file name with the folder attribute is made as a folder, as the driver would.
        error = CreateFoldersAlong(FTarget, slot.Target.back() == '/' ? slot.Target : slot.Target + '/',
                                   &slot.MadeFolders);
    }
    if (error != 0) {
        slot.Result = erOutput;
        slot.OutputError = error;
        slot.Written = false;
    }
}

void TExtractJob::Deliver(TSlot& slot, TJobSummary& summary)
{
    ++FDelivered;
    FReceiver.EntryDone({slot.Entry, slot.Target, slot.Result, slot.OutputError, slot.Written});
    summary.Written += slot.Written ? 1 : 0;
    summary.Failed += slot.Result != erOk ? 1 : 0;
    NoteWhatStands(slot);
    if (slot.FolderMode && slot.Result == erOk)
        FFolderModes.emplace_back(slot.Key, *slot.FolderMode);
    if (!FOptions.KeepTrail)
        return;
    FTrail.Folders.insert(FTrail.Folders.end(), slot.MadeFolders.begin(), slot.MadeFolders.end());
    if (slot.Written && !slot.Replaced && !IsFolderName(slot.Target))
        FTrail.Files.push_back(slot.Target);
}

// Entries behind the stop never took their names: their files vanish with
// the slots, without a message. Folders made ahead (only where the file
// system keeps no unnamed files) join the trail.
void TExtractJob::TrailAfterStop()
{
    if (!FOptions.KeepTrail)
        return;
    for (const auto& held : FSlots)
        if (held->State == TSlot::sDone)
            FTrail.Folders.insert(FTrail.Folders.end(), held->MadeFolders.begin(), held->MadeFolders.end());
}

// The front entry waits for a password: the receiver is asked, and what it
// gives is kept with the archive for every worker. False when the job was
// aborted meanwhile.
bool TExtractJob::AskPassword(TSlot& slot)
{
    TKeptPasswords& kept = FArchive.KeptPasswords();
    if (slot.HasUntriedPassword(kept.Count())) {
        Start(slot);
        return true;
    }
    TSecret password;
    const TPasswordAnswer answer = FReceiver.AskPassword(slot.Entry, slot.TriedAnyPassword(), password);
    if (AbortRequested())
        return false;
    if (answer == paGiven) {
        kept.Keep(password);
        Start(slot);
    } else {
        slot.Result = answer == paNoOther || slot.FailedAfterCheck ? erWrongPassword : erEncrypted;
        slot.State = TSlot::sDone;
    }
    return true;
}

// A wrong password found only behind the check is tried again like one the
// check refused: with the kept passwords not yet tried, then by asking; so
// a chance match neither hides a kept password that fits nor ends the entry
// without the question a refused one gets.
bool TExtractJob::NeedsPassword(TSlot& slot)
{
    slot.FailedAfterCheck = slot.Result == erWrongPassword && slot.TriedAnyPassword();
    return slot.Result == erPasswordLater || slot.FailedAfterCheck;
}

void TExtractJob::RunSlot(TExtractionDriver& driver, TSlotPasswords& passwords, TSlot& slot)
{
    if (AbortRequested()) {
        slot.Result = erAborted;
        return;
    }
    // Only the kept passwords, in their order: what an entry meets must not depend on the worker.
    driver.ForgetPassword();
    passwords.Begin(slot);
    TSlotProgress progress(*this, slot);
    const TZipEntry& entry = slot.Entry;
    if (FOptions.TestOnly) {
        slot.Result = driver.TestEntry(entry.LocalHeaderOffset, entry.CompressedSize, entry.UncompressedSize, &progress);
    } else {
        slot.Result = driver.ExtractEntryAt(FTarget, slot.Target, ShapeOf(entry), entry.LocalHeaderOffset, &progress,
                                            0, entry.CompressedSize, entry.UncompressedSize);
        slot.FolderMode = driver.LastOutput().FolderMode;
        slot.Held = driver.TakeHeldOutput();
    }
    slot.OutputError = slot.Result == erOutput ? driver.OutputError() : 0;
    slot.Written = slot.Result == erOk && !FOptions.TestOnly;
    // Appended: a run that waited for a password may have made its folders before.
    const std::vector<std::string>& made = driver.LastOutput().MadeFolders;
    slot.MadeFolders.insert(slot.MadeFolders.end(), made.begin(), made.end());
    passwords.End();
}

void TExtractJob::Prepare(TExtractionDriver& driver) const
{
    driver.LendArchive(FImage.Reader() ? *FImage.Reader() : *FArchive.Reader());
    driver.SetUmask(FUmask);
    driver.SetHoldOutput(true);
    driver.SetOutputLimit(FOptions.OutputLimit);
    driver.SetKeptFolders(FKeptFolders);
}

void TExtractJob::WorkerLoop()
{
    // Many tiny entries: each one's name is given on the calling thread, in
    // order; a worker must not hold that thread off the processor.
    platform::RunThisThreadAsBatch();
    TExtractionDriver driver;
    Prepare(driver);
    TSlotPasswords passwords(FArchive.KeptPasswords());
    driver.SetPasswordProvider(&passwords);
    // One lock per entry: the finished entry is handed back and the next
    // one taken in the same turn.
    TSlot* slot = nullptr;
    for (;;) {
        bool wake = false;
        {
            std::unique_lock<std::mutex> lock(FLock);
            if (slot) {
                slot->State = NeedsPassword(*slot) ? TSlot::sPassword : TSlot::sDone;
                wake = FrontMayMove();
            }
            if (FQueue.empty() && !FStopping) {
                if (wake)
                    FSlotDone.notify_one();
                wake = false;
                FWorkReady.wait(lock, [this] { return FStopping || !FQueue.empty(); });
            }
            if (FQueue.empty())
                return;
            slot = FQueue.front();
            FQueue.pop_front();
        }
        if (wake)
            FSlotDone.notify_one();
        RunSlot(driver, passwords, *slot);
    }
}

// The bar never reaches its end before the last entry is delivered, so it
// reaches it exactly once.
void TExtractJob::ReportProgress(bool final)
{
    if (FTotal == 0)
        return;
    const auto now = std::chrono::steady_clock::now();
    if (!final && now - FLastProgress < ProgressInterval)
        return;
    FLastProgress = now;
    uint64_t done = FTotal;
    if (!final) {
        done = FSettledUnits;
        for (const auto& slot : FSlots)
            done = AddSizeSaturated(done, slot->State == TSlot::sDone ? slot->Units : slot->UnitsDone.load());
        done = std::max(std::min(done, FTotal - 1), FLastDone);
    }
    FLastDone = done;
    if (!FReceiver.Progress(done, FTotal))
        Abort();
}

// Called under FLock. The calling thread waits for the front entry; it is
// woken when that entry waits for a password, or when it is done and no
// more than a quarter of the window is left for the workers to start: one
// wake then delivers a run of finished entries and starts as many, instead
// of one wake (two context switches) per entry, and the workers still have
// work while it does.
bool TExtractJob::FrontMayMove() const
{
    if (!FAwaited)
        return false;
    const TSlot::TState state = FAwaited->State;
    const size_t lowWater = std::max(FWorkers.size(), FWindow / 4);
    return state == TSlot::sPassword || (state == TSlot::sDone && FQueue.size() <= lowWater);
}

void TExtractJob::StopWorkers()
{
    {
        const std::lock_guard<std::mutex> lock(FLock);
        FStopping = true;
    }
    FWorkReady.notify_all();
    for (std::thread& worker : FWorkers)
        worker.join();
    FWorkers.clear();
}

TJobSummary TExtractJob::Run(TEntrySelection& selection)
{
    TJobSummary summary;
    if ((!FTarget.IsOpen() && !FOptions.TestOnly) || !FArchive.Reader())
        return summary;
    FTotal = selection.TotalBytes();
    FByCount = FTotal == 0;
    if (FByCount)
        FTotal = selection.Count();
    const unsigned workers = WorkerCount(FOptions.Workers);
    FUmask = platform::ReadUmask();
    // The window's name order visits the folders in turn. The budget is the
    // job's, so many workers do not multiply the open handles.
    FKeptFolders = KeptFolders / std::max(1u, workers);
    TArchiveReader& archive = *FArchive.Reader();
    if (TArchiveImage::Worth(archive.Size(), selection.Count(), selection.Scattered(), !archive.DiskStarts().empty()))
        FImage.Load(archive);
    else
        FImage.Release();
    if (workers <= 1) {
        FInlineDriver = std::make_unique<TExtractionDriver>();
        Prepare(*FInlineDriver);
        FInlinePasswords = std::make_unique<TSlotPasswords>(FArchive.KeptPasswords());
        FInlineDriver->SetPasswordProvider(FInlinePasswords.get());
        // The serial path's only chance to show progress (and let the window breathe) is inside the driver.
        FInlineDriver->State().PumpHook = [this] { ReportProgress(false); };
        FWindow = 1;
    } else {
        FWindow = std::max<size_t>(1, std::min<size_t>(SlotsPerWorker * workers, FOptions.HeldEntries));
        FStopping = false;
        for (unsigned i = 0; i < workers; ++i)
            FWorkers.emplace_back([this] { WorkerLoop(); });
    }
    bool more = true;
    while (!AbortRequested()) {
        // Refilled by halves: the workers get a batch under one wake, not
        // one entry per settled entry with a wake each.
        if (FSlots.size() <= FWindow / 2) {
            while (more && FSlots.size() < FWindow) {
                const TZipEntry* entry = selection.Next();
                more = entry != nullptr;
                if (entry)
                    AddSlot(*entry);
            }
        }
        DispatchWaiting();
        if (FSlots.empty())
            break;  // nothing held and nothing more to take
        const TStep step = SettleFront(summary);
        if (step == TStep::Stop)
            break;
        if (step == TStep::Waiting) {
            QueueStarted();
            std::unique_lock<std::mutex> lock(FLock);
            FAwaited = FSlots.front().get();
            FSlotDone.wait_for(lock, ProgressInterval, [this] { return FrontMayMove(); });
            FAwaited = nullptr;
        }
        ReportProgress(false);
    }
    StopWorkers();
    summary.Aborted = AbortRequested() && FDiskError == 0;
    if (AbortRequested())
        TrailAfterStop();
    else
        ReportProgress(true);
    if (FDiskError != 0) {
        summary.DiskError = FDiskError;
        summary.NotExtracted = selection.Count() - std::min<uint64_t>(selection.Count(), FDelivered);
    }
    FStarted.clear();
    FSlots.clear();
    // A stopped run may be taken back, which a read-only folder would prevent.
    if (!summary.Aborted)
        ApplyFolderModes();
    return summary;
}

// Deepest first: a folder that loses its search bit must not stop a change
// below it.
void TExtractJob::ApplyFolderModes()
{
    std::stable_sort(FFolderModes.begin(), FFolderModes.end(),
                     [](const auto& a, const auto& b) { return a.first.size() > b.first.size(); });
    for (const auto& [folder, mode] : FFolderModes)
        platform::SetFolderModeBeneath(FTarget, folder, mode);
    FFolderModes.clear();
}

}  // namespace valbrix
