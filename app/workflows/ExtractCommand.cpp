// The extraction command; see the header.
#include "app/workflows/ExtractCommand.h"

#include <algorithm>
#include <cerrno>


#include "app/dialogs/MessageBox.h"
#include "app/texts/ExtractTexts.h"
#include "app/texts/ListTexts.h"
#include "app/texts/OpenTexts.h"
#include "app/workflows/EventPump.h"
#include "app/workflows/TakeBack.h"
#include "app/workflows/TargetFolder.h"
#include "platform/gui/NativePath.h"

namespace valbrix {

int ExtractInView(TEntryExtractor& extractor, const TZipArchive& archive, TExtractOptions options,
                  const QString& folder, const TExtractList& list, TRunView& view)
{
    // The disk-full box comes from inside the run: the bar must be gone by then.
    const std::function<void()> ownerRunOver = extractor.OnRunOver;
    extractor.OnRunOver = [&view] { view.RunOver(); };
    view.RunStarted([&extractor] { extractor.Abort(); });
    const int count = extractor.ExtractEntries(archive, options, folder,
                                               [&view](int percent) { view.RunProgress(percent); }, list);
    view.RunOver();
    extractor.OnRunOver = ownerRunOver;
    return count;
}

TExtractCommand::TExtractCommand(const TWindowSeams& seams, TEntryExtractor& extractor, QObject* context)
    : FSeams(seams), FExtractor(extractor), FContext(context)
{
}

void TExtractCommand::RefuseFolder(const QString& folder, const QString& why)
{
    ShowMessageBox(*FSeams.Boxes, QStringLiteral("Fehler beim Festlegen des Ordners: ") + QuotedName(folder) +
                                      QLatin1Char('\n') + why,
                   QStringLiteral("Fehler beim Entpacken"), mkError, bcOK);
}

TExtractResult TExtractCommand::Run(const TZipArchive& archive, const TExtractRequest& request, TRunView& view)
{
    const QString folder = CleanFolderText(request.Folder);
    const TFolderCheck check = CheckTargetFolder(folder);
    if (check.Problem != fpNone) {
        RefuseFolder(folder, FolderProblemText(check, folder));
        return {xeFolderRefused, 0};
    }

    const int count = ExtractInView(FExtractor, archive, request.Options, folder, request.List, view);

    if (FExtractor.OpenFailure() != 0) {
        // The check passed, but the job could not open the folder after all
        // (it went, or its rights changed): say so instead of "0 files".
        const int error = FExtractor.OpenFailure();
        RefuseFolder(folder, error == ENOENT ? QStringLiteral("Der Ordner existiert nicht mehr.") : OutputErrorText(error));
        return {xeFolderRefused, 0};
    }
    const TRunQuestions& run = FExtractor.Questions();
    if (view.CloseRequested())
        return {xeStopped, count};
    if (FExtractor.DiskFull())
        return {xeDiskFull, count};  // its box said it all
    if (run.Stopped() && !FExtractor.Trail().Empty()) {
        OfferToTakeBack(folder, count, check.Created, view);
        return {xeStopped, count};
    }
    const bool failed = run.FailureCount() > 0 || !FExtractor.Skipped().isEmpty();
    const TExtractResult result{run.Stopped() ? xeStopped : failed ? xeFailures : xeDone, count};
    if (request.QuietUnlessFailed && !failed)
        return result;
    TMessageBoxRequest summary;
    summary.Text = SummaryText(count, run.Stopped(), run.CollectedFailures().size(), FExtractor.Skipped().size());
    summary.Caption = QStringLiteral("Entpacken beendet");
    summary.Details = (run.CollectedFailures() + FExtractor.Skipped()).join(QLatin1Char('\n'));
    if (request.QuietUnlessFailed) {
        // The file manager shows the folder already; the box only tells what went wrong.
        summary.Kind = mkWarning;
        summary.Flags = MessageBoxFlags(mkWarning, bcOK);
        ShowMessageBox(*FSeams.Boxes, summary);
        return result;
    }
    summary.Kind = mkConfirmation;
    summary.Flags = MessageBoxFlags(mkConfirmation, bcYesNo);
    if (ShowMessageBox(*FSeams.Boxes, summary) == idYes)
        ExploreFolder(folder);
    return result;
}

// A stopped run may leave half of what the user asked for: offer to remove
// what it created. Files that stood there before stay: the replaced ones
// are named, since their old content cannot come back. A folder someone
// filled meanwhile stays with its contents.
void TExtractCommand::OfferToTakeBack(const QString& folder, int count, bool folderCreated, TRunView& view)
{
    const TRunQuestions& run = FExtractor.Questions();
    const std::vector<std::string> replaced = ReplacedFiles(FExtractor.WrittenTargets(), FExtractor.Trail());
    QStringList details = run.CollectedFailures() + FExtractor.Skipped();
    const QString base = folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
    for (const std::string& name : replaced)
        details << VisibleNameText(base + platform::DisplayPath(name)) +
                       QStringLiteral(": ersetzt, alter Inhalt nicht wiederherstellbar");
    TMessageBoxRequest offer;
    offer.Text = StoppedSummaryText(count, run.CollectedFailures().size(), FExtractor.Skipped().size(),
                                    qsizetype(replaced.size()));
    offer.Caption = QStringLiteral("Entpacken abgebrochen");
    offer.Kind = mkConfirmation;
    offer.Flags = MessageBoxFlags(mkConfirmation, bcYesNo);
    offer.Details = details.join(QLatin1Char('\n'));
    if (ShowMessageBox(*FSeams.Boxes, offer) != idYes)
        return;
    // Tens of thousands of files take a second or more: with a bar, and
    // events dispatched between slices.
    FTakingBack = true;
    view.BusyChanged(true);
    view.RunStarted({});
    view.SetCancelEnabled(false);  // half a take-back would help nobody
    TEventPump pump;
    const size_t left = TakeBackRun(folder, FExtractor.Trail(), folderCreated, [&](size_t done, size_t total) {
        view.RunProgress(int(double(done) * 100.0 / double(std::max<size_t>(total, 1))));
        pump.Pump();
    });
    view.RunOver();
    FTakingBack = false;
    view.BusyChanged(false);
    if (left > 0)
        ShowMessageBox(*FSeams.Boxes, TrailLeftText(left), QStringLiteral("Entpacken abgebrochen"), mkWarning, bcOK);
}

void TExtractCommand::ExploreFolder(const QString& folder)
{
    // Whether a file manager came up is the desktop's business, unless it says it has none.
    TMessageBoxPresenter* const* boxes = &FSeams.Boxes;
    FSeams.Launcher->OpenLocal(folder, FContext, [boxes, folder] {
        ShowMessageBox(**boxes, NoProgramText(folder), QString(), mkInformation, bcOK);
    });
}

}  // namespace valbrix
