// The window's adapter over the engine's extraction job: the job runs the
// entries (on the default number of workers) and calls back on this thread
// in archive order; here its questions go to the run's TRunQuestions (the
// replace question with its answers for the rest of the run, the failure
// box that may stop the run or collect later failures for the summary),
// an encrypted entry's question opens the password dialog, and progress
// goes to the caller's sink, also within a large entry, while the window's
// events are dispatched. The password that fitted is kept with the open archive.
// Stopping the run, by an answer or by closing the window, aborts the job:
// the entries being written are discarded, so no partial file stays, and
// the rest are skipped without messages. Boxes and dialogs go through the
// window's seams.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include <QString>
#include <QStringList>

#include "app/dialogs/PasswordDialog.h"
#include "app/workflows/EventPump.h"
#include "app/workflows/RunQuestions.h"
#include "app/dialogs/WindowSeams.h"
#include "engine/archive/EntryTable.h"
#include "engine/archive/ZipArchive.h"
#include "engine/archive/ZipDirectory.h"
#include "engine/extract/RunTrail.h"

namespace valbrix {

class TExtractJob;
struct TEntryOutcome;

// A set of options.
enum TExtractOption : uint8_t {
    eoWithFolders = 1,  // keep each entry's folders below the target folder
    eoOverwrite = 2,    // replace existing files without asking
};
using TExtractOptions = uint8_t;

// The entries to extract, in the order they are extracted. The selection
// shares the table of entries, so the list of the window may change while
// the extraction dispatches events.
using TExtractList = TTableEntries;

// Gets a run's per cent, often; the run dispatches events after it.
using TProgressSink = std::function<void(int percent)>;

class TEntryExtractor {
public:
    explicit TEntryExtractor(const TWindowSeams& seams);
    TEntryExtractor(const TEntryExtractor&) = delete;
    TEntryExtractor& operator=(const TEntryExtractor&) = delete;

    // Extracts the list from the open archive below folder (an absolute
    // path that exists). Returns the number of entries extracted.
    int ExtractEntries(const TZipArchive& archive, TExtractOptions options, const QString& folder,
                       const TProgressSink& progress, const TExtractList& list);

    // True while ExtractEntries runs (events are dispatched meanwhile).
    bool Running() const { return FJob != nullptr; }
    // Stops the running extraction.
    void Abort();
    bool AbortRequested() const { return FAbortRequested; }
    // The questions and answers of the current or last run: whether the user
    // stopped it, and the failures collected for the summary.
    const TRunQuestions& Questions() const { return FQuestions; }
    // Encrypted entries of the last run left out because the user declined
    // the password: "target: reason" each, in archive order.
    const QStringList& Skipped() const { return FSkipped; }
    // The last run ended on a full or read-only target; the box was shown.
    bool DiskFull() const { return FDiskFull; }
    // errno of opening the target folder when the last run could not start; 0 when it did.
    int OpenFailure() const { return FOpenFailure; }
    // What the last run created below its folder (files that replaced
    // nothing, folders it made), so a stopped run can be taken back.
    const TRunTrail& Trail() const { return FTrail; }
    // Every target the last run wrote (relative, a folder's with '/' behind
    // it), in archive order; with the trail it tells the replaced files.
    const std::vector<std::string>& WrittenTargets() const { return FWrittenTargets; }

    // Workers of the next extraction; 0: one per online processor.
    void SetWorkers(unsigned workers) { FWorkers = workers; }

    // Called when Running() changes, so the window can disable its commands.
    std::function<void()> OnBusyChanged;
    // Called when the job has ended, before any box of the run's end, so the
    // window can take its progress bar away first.
    std::function<void()> OnRunOver;
    // When set, gets every failed entry instead of the run's failure box
    // (opening one entry words its own; a drag lists them after the run).
    std::function<void(const TEntryOutcome& outcome)> OnFailure;

private:
    class TReceiver;

    const TWindowSeams& FSeams;
    TExtractJob* FJob = nullptr;
    TRunQuestions FQuestions;
    TRunTrail FTrail;
    std::vector<std::string> FWrittenTargets;
    TWindowPasswords FPasswords;
    TDeclinedEntries FDeclined;
    QStringList FSkipped;
    bool FAbortRequested = false;
    bool FDiskFull = false;
    int FOpenFailure = 0;
    unsigned FWorkers = 0;
    TEventPump FPump;
};

}  // namespace valbrix
