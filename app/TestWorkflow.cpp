// TMain's "Archiv testen": the marked rows in view (all rows in view when
// none is marked), as extraction takes them, are decoded without writing,
// with the progress bar and its "Abbrechen", and one summary box says how
// many of the archive's files were tested and lists every failure with its
// reason.
#include "MainUnit.h"

#include <algorithm>

#include <QApplication>
#include <QProgressBar>
#include <QTimer>

#include "EventPump.h"
#include "MessageBox.h"
#include "ZipListModel.h"

namespace valbrix {

void TMain::Archivtesten1Click()
{
    if (Extracting() || Model->rowCount() == 0)
        return;
    std::vector<int> rows = SelectedRowNumbers();
    if (rows.empty()) {
        rows.resize(size_t(Model->rowCount()));
        for (int row = 0; row < Model->rowCount(); ++row)
            rows[size_t(row)] = row;
    }
    const TTableEntries entries = EntriesOfRows(std::move(rows));

    std::unique_ptr<QProgressBar> bar(CreateProgressBar());
    TEventPump pump;
    const auto progress = [&](int percent) {
        bar->setValue(percent);
        pump.Pump();
    };
    QApplication::setOverrideCursor(Qt::WaitCursor);
    TTestReport report = FTester.Run(FSession.Archive(), entries, progress);
    report.ArchiveFiles = Model->FileCount();
    QApplication::restoreOverrideCursor();
    bar.reset();  // the run is over: no bar nor Abbrechen under the summary
    if (FCloseRequested) {
        QTimer::singleShot(0, this, &QWidget::close);
        return;
    }
    TMessageBoxRequest summary;
    summary.Text = TestSummaryText(report, FSession.Archive().Kind() == akDamaged);
    summary.Caption = QStringLiteral("Archiv testen");
    summary.Kind = report.Failures.isEmpty() && FSession.Archive().Kind() != akDamaged ? mkInformation : mkError;
    summary.Flags = MessageBoxFlags(summary.Kind, bcOK);
    summary.Details = (report.Failures + report.Untested).join(QLatin1Char('\n'));
    ShowMessageBox(Boxes(), summary);
}

}  // namespace valbrix
