// The workflows without a main window: a view that records what a run
// showed, and a bench holding what the window would hold for one archive
// (the session, the seams answered by scripts, the extractor, the tester and
// the extraction command). The extraction, test, setup and batch tests
// drive the workflow classes through it.
#pragma once

#include <functional>

#include <QList>
#include <QString>

#include "LauncherScript.h"
#include "MessageBoxScript.h"
#include "app/workflows/ArchiveSession.h"
#include "app/workflows/ArchiveTester.h"
#include "app/workflows/ExtractCommand.h"
#include "app/workflows/RunView.h"

namespace valbrix::test {

// Records the calls a run makes on its view; may act at the start (where
// a user would press "Abbrechen") and claim the view was closed.
struct TRecordingView : TRunView {
    std::function<void()> AtStart;
    std::function<void()> Cancel;  // what the run put behind "Abbrechen"
    int Started = 0;
    int Over = 0;
    QList<int> Percents;
    QList<bool> CancelStates;
    QList<bool> BusyStates;
    bool Closed = false;
    // Between RunStarted and RunOver: a box asked now is one of the run's.
    // (RunOver may come twice, once from the job's end and once from the
    // command's, as the window's bar takes it.)
    bool Running = false;

    void RunStarted(const std::function<void()>& cancel) override
    {
        ++Started;
        Running = true;
        Cancel = cancel;
        if (AtStart)
            AtStart();
    }
    void RunProgress(int percent) override { Percents << percent; }
    void SetCancelEnabled(bool enabled) override { CancelStates << enabled; }
    void RunOver() override
    {
        ++Over;
        Running = false;
    }
    bool CloseRequested() const override { return Closed; }
    void BusyChanged(bool busy) override { BusyStates << busy; }
};

// One archive with the workflow objects over it. Boxes and the launcher
// are scripts: a box nobody scripted fails the test.
struct TRunBench {
    TWindowSeams Seams;
    TMessageBoxScript Boxes{Seams.Boxes};
    TLauncherScript Launcher{Seams.Launcher};
    TArchiveSession Session;
    TArchiveListing Listing;
    TEntryExtractor Extractor{Seams};
    TArchiveTester Tester{Seams};
    TExtractCommand Command{Seams, Extractor, nullptr};
    TRecordingView View;

    // True when the archive lists at least one entry.
    bool Open(const QString& archive)
    {
        Listing = Session.Open(archive);
        return Listing.Table && Listing.Table->Size() > 0;
    }
    // Every entry, in archive order.
    TExtractList All() const { return AllEntriesOf(Listing); }
    // The extraction command over every entry, as the window runs it.
    TExtractResult Extract(const QString& folder, TExtractOptions options = eoWithFolders | eoOverwrite)
    {
        return Command.Run(Session.Archive(), {folder, options, All(), false}, View);
    }
};

}  // namespace valbrix::test
