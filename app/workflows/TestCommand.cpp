// "Archiv testen"; see the header.
#include "app/workflows/TestCommand.h"

#include "app/dialogs/MessageBox.h"
#include "app/workflows/EventPump.h"

namespace valbrix {

TTestReport RunTestCommand(TArchiveTester& tester, const TWindowSeams& seams, const TZipArchive& archive,
                           const TTableEntries& entries, int archiveFiles, TRunView& view)
{
    TEventPump pump;
    view.RunStarted([&tester] { tester.Abort(); });
    TTestReport report = tester.Run(archive, entries, [&](int percent) {
        view.RunProgress(percent);
        pump.Pump();
    });
    report.ArchiveFiles = archiveFiles;
    view.RunOver();  // no bar nor Abbrechen under the summary
    if (view.CloseRequested())
        return report;
    const bool damaged = archive.Kind() == akDamaged;
    TMessageBoxRequest summary;
    summary.Text = TestSummaryText(report, damaged);
    summary.Caption = QStringLiteral("Archiv testen");
    summary.Kind = report.Failures.isEmpty() && !damaged ? mkInformation : mkError;
    summary.Flags = MessageBoxFlags(summary.Kind, bcOK);
    summary.Details = (report.Failures + report.Untested).join(QLatin1Char('\n'));
    ShowMessageBox(*seams.Boxes, summary);
    return report;
}

}  // namespace valbrix
