// The questions of one extraction run; see the header.
#include "app/workflows/RunQuestions.h"

#include "app/texts/ExtractTexts.h"
#include "app/texts/ListTexts.h"
#include "app/dialogs/MessageBox.h"

namespace valbrix {

TReplaceDecision TRunQuestions::AskReplace(const QString& target, int64_t existingSize, const QDateTime& existingTime,
                                           int64_t entrySize, uint32_t entryDosDateTime)
{
    if (FStopped)
        return rdStop;
    if (FReplaceAll)
        return rdReplace;
    if (FSkipAll)
        return rdSkip;
    TMessageBoxRequest request;
    request.Text = ReplaceQuestionText(target, existingSize, existingTime, entrySize, entryDosDateTime);
    request.Caption = QStringLiteral("Datei vorhanden");
    request.Kind = mkConfirmation;
    request.Buttons = {{QStringLiteral("&Ja"), idYes},
                       {QStringLiteral("Ja, a&lle"), idYesToAll},
                       {QStringLiteral("&Nein"), idNo},
                       {QStringLiteral("N&ein, alle"), idNoToAll},
                       {QStringLiteral("&Abbrechen"), idCancel}};
    request.EscapeAnswer = idNo;  // Escape keeps its old meaning: this file stays
    switch (ShowMessageBox(*FBoxes, request)) {
    case idYes: return rdReplace;
    case idYesToAll: FReplaceAll = true; return rdReplace;
    case idNoToAll: FSkipAll = true; return rdSkip;
    case idCancel: FStopped = true; return rdStop;
    default: return rdSkip;
    }
}

bool TRunQuestions::ReportFailure(const QString& target, int resultCode, int systemError, uint16_t method)
{
    if (FStopped)
        return false;
    ++FFailures;
    if (FCollect) {
        FCollected << VisibleNameText(target) + QStringLiteral(": ") + ResultText(resultCode, systemError, method);
        return true;
    }
    bool collectLater = false;
    TMessageBoxRequest request;
    request.Text = ExtractFailureText(target, resultCode, systemError, method);
    request.Kind = mkError;
    request.Buttons = {{QStringLiteral("&OK"), idOK}, {QStringLiteral("&Abbrechen"), idCancel}};
    request.EscapeAnswer = idOK;  // Escape goes on, as OK always did
    request.CheckBoxText = QStringLiteral("&Weitere Fehler erst am Ende anzeigen");
    request.CheckBoxChecked = &collectLater;
    if (ShowMessageBox(*FBoxes, request) == idCancel) {
        FStopped = true;
        return false;
    }
    FCollect = collectLater;
    return true;
}

void ShowCollectedFailures(TMessageBoxPresenter& boxes, const QStringList& failures)
{
    if (failures.isEmpty())
        return;
    TMessageBoxRequest request;
    request.Text = QStringLiteral("%1 Datei(en) konnten nicht extrahiert werden (Liste unten).").arg(failures.size());
    request.Kind = mkError;
    request.Flags = MessageBoxFlags(mkError, bcOK);
    request.Details = failures.join(QLatin1Char('\n'));
    ShowMessageBox(boxes, request);
}

}  // namespace valbrix
