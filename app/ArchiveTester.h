// The window's "Archiv testen": decodes entries of the open archive without
// writing anything, one after the other on this thread, moving a progress
// callback (also within a large entry) that dispatches the window's events,
// and collects every failure with its German reason for one summary at the
// end instead of a box per entry. An encrypted entry asks for the password
// as an extraction does, through the window's seams. Abort() (the Abbrechen
// button, Escape, closing the window) stops within the current entry.
#pragma once

#include <functional>

#include <QStringList>

#include "engine/archive/EntryTable.h"
#include "WindowSeams.h"
#include "engine/archive/ZipArchive.h"

namespace valbrix {

struct TTestReport {
    int Tested = 0;        // file entries decoded (folder entries have nothing to decode)
    QStringList Failures;  // "name: reason", in the order tested
    bool Stopped = false;  // aborted before the last entry
};

class TArchiveTester {
public:
    explicit TArchiveTester(const TWindowSeams& seams) : FSeams(seams) {}
    TArchiveTester(const TArchiveTester&) = delete;
    TArchiveTester& operator=(const TArchiveTester&) = delete;

    // `progress` gets the whole run's per cent; it may dispatch events.
    TTestReport Run(const TZipArchive& archive, const TTableEntries& entries,
                    const std::function<void(int percent)>& progress);
    void Abort() { FAbortRequested = true; }
    bool Running() const { return FRunning; }
    // Called when Running() changes, so the window can disable its commands.
    std::function<void()> OnBusyChanged;

private:
    const TWindowSeams& FSeams;
    bool FRunning = false;
    bool FAbortRequested = false;
};

// "Es wurden 12 Datei(en) geprüft ..." with the failures' count, a stop and
// a damaged directory said in the same box.
QString TestSummaryText(const TTestReport& report, bool directoryDamaged);

}  // namespace valbrix
