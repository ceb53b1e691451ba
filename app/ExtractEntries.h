// The per-entry extraction loop of the window: for each entry it builds the
// target path (through the engine's containment rule), asks before an
// existing file is replaced, runs the extraction driver and moves the
// progress bar, also within a large entry. TEntryExtractor owns the
// program's one extraction driver; the extraction dialog and the setup flow
// both run through it. Questions and failures go to the run's
// TRunQuestions, which decides whether the loop goes on. An encrypted entry
// asks for the password in a dialog; the driver keeps it for the archive.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include <QElapsedTimer>
#include <QString>

#include "RunQuestions.h"
#include "PasswordDialog.h"
#include "engine/extract/ExtractEntry.h"
#include "engine/archive/ZipDirectory.h"

class QProgressBar;

namespace valbrix {

// A set of options.
enum TExtractOption : uint8_t {
    eoWithFolders = 1,  // keep each entry's folders below the target folder
    eoOverwrite = 2,    // replace existing files without asking
};
using TExtractOptions = uint8_t;

// The entries to extract, in the order they are extracted. Copies, so the
// list of the window may change while the extraction dispatches events.
using TExtractList = std::vector<TZipEntry>;

class TEntryExtractor {
public:
    TEntryExtractor();
    ~TEntryExtractor();
    TEntryExtractor(const TEntryExtractor&) = delete;
    TEntryExtractor& operator=(const TEntryExtractor&) = delete;

    // Extracts the list from the archive (an absolute path) below folder (an
    // absolute path); total is the sum of the entries' uncompressed sizes.
    // Returns the number of entries extracted.
    int ExtractEntries(const QString& archive, TExtractOptions options, const QString& folder,
                       QProgressBar* progressBar, int64_t total, const TExtractList& list);

    // True while ExtractEntries runs (events are dispatched meanwhile).
    bool Running() const { return FRunning; }
    // Stops the running extraction: the entry being written is abandoned (the
    // driver discards its temporary file, so no partial file stays) and the
    // remaining entries are skipped without messages.
    void Abort()
    {
        FAbortRequested = true;
        FQuestions.Stop();
    }
    bool AbortRequested() const { return FAbortRequested; }
    // The questions and answers of the current or last run: whether the user
    // stopped it, and the failures collected for the summary.
    const TRunQuestions& Questions() const { return FQuestions; }

    TExtractionDriver& Driver() { return FDriver; }

    // Called when Running() changes, so the window can disable its commands.
    std::function<void()> OnBusyChanged;

private:
    class TProgress;
    void PumpEvents();

    TExtractionDriver FDriver;
    TRunQuestions FQuestions;
    TWindowPasswords FPasswords;
    std::unique_ptr<TProgress> FProgress;
    QElapsedTimer FPumpClock;
    bool FRunning = false;
    bool FAbortRequested = false;
};

}  // namespace valbrix
