// TMain's "Archiv testen": the marked rows (all rows when none is marked)
// are decoded without writing, with the progress bar and its "Abbrechen",
// and one summary box lists every failure with its reason.
#include "MainUnit.h"

#include <algorithm>

#include <QApplication>
#include <QElapsedTimer>
#include <QProgressBar>
#include <QTimer>

#include "MessageBox.h"
#include "ZipListModel.h"

namespace valbrix {

namespace {

// Repaints cost time the decoding would use; a few dozen a second suffice.
constexpr qint64 PumpIntervalMs = 40;

}  // namespace

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
    QElapsedTimer pumpClock;
    const auto progress = [&](int percent) {
        bar->setValue(percent);
        if (pumpClock.isValid() && pumpClock.elapsed() < PumpIntervalMs)
            return;
        pumpClock.start();
        QCoreApplication::processEvents();
    };
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const TTestReport report = FTester.Run(FSession.Archive(), entries, progress);
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
    summary.Details = report.Failures.join(QLatin1Char('\n'));
    ShowMessageBox(Boxes(), summary);
}

}  // namespace valbrix
