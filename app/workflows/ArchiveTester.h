// The window's "Archiv testen": a run of the extraction job's test mode
// over entries of the open archive (decoded and checked, nothing written,
// in the archive's order, so password questions come in that order too),
// on the job's workers, with a progress callback (also within a large
// entry) that dispatches the window's events; every failure is collected
// with its German reason, in list order, for one summary at the end instead
// of a box per entry. An encrypted entry asks for the password as an
// extraction does, through the window's seams, and the answer is kept with
// the open archive for tests and extractions alike. Abort() (the Abbrechen
// button, Escape, closing the window) stops every worker.
#pragma once

#include <functional>

#include <QStringList>

#include "engine/archive/EntryTable.h"
#include "app/dialogs/WindowSeams.h"
#include "engine/archive/ZipArchive.h"
#include "app/dialogs/PasswordDialog.h"

namespace valbrix {

class TExtractJob;

struct TTestReport {
    int Tested = 0;        // file entries decoded (folder entries have nothing to decode)
    int Asked = 0;         // file entries the run was given
    int ArchiveFiles = 0;  // file entries of the archive, for "12 von 300" (the caller's to set)
    QStringList Failures;  // "name: reason", in list order
    QStringList Untested;  // "name: reason": encrypted entries left without a password, in list order
    bool Stopped = false;  // aborted before the last entry
};

class TArchiveTester {
public:
    explicit TArchiveTester(const TWindowSeams& seams);
    TArchiveTester(const TArchiveTester&) = delete;
    TArchiveTester& operator=(const TArchiveTester&) = delete;

    // `progress` gets the whole run's per cent; it may dispatch events.
    TTestReport Run(const TZipArchive& archive, const TTableEntries& entries,
                    const std::function<void(int percent)>& progress);
    void Abort();
    bool Running() const { return FRunning; }
    // Called when Running() changes, so the window can disable its commands.
    std::function<void()> OnBusyChanged;

    // Workers of the next test; 0: one per online processor.
    void SetWorkers(unsigned workers) { FWorkers = workers; }

private:
    class TReceiver;
    TWindowPasswords FPasswords;
    TDeclinedEntries FDeclined;
    TExtractJob* FJob = nullptr;
    bool FRunning = false;
    bool FAbortRequested = false;
    unsigned FWorkers = 0;
};

// "Es wurden 12 (von 300) Datei(en) geprüft ..." with the failures' count,
// the entries not tested for want of a password, how far a stopped run got
// and a damaged directory, in one box.
QString TestSummaryText(const TTestReport& report, bool directoryDamaged);
// Why an encrypted entry was not tested: the user declined its password.
QString UntestedText();

}  // namespace valbrix
