// The window's side of one extraction run: it asks before an existing file
// is replaced and shows each failure, and it keeps the answers that hold for
// the rest of the run ("Ja, alle", "Nein, alle", failures collected for the
// end) and whether the user stopped the run. The extraction loop asks it
// and does what it decides; the summary reads what it collected. All boxes
// go through the presenter it is given, so tests script them.
#pragma once

#include <cstdint>

#include <QDateTime>
#include <QString>
#include <QStringList>

#include "app/dialogs/MessageBox.h"

namespace valbrix {

enum TReplaceDecision : uint8_t { rdReplace, rdSkip, rdStop };

class TRunQuestions {
public:
    // The answer to every replace question, when the user ticked
    // "Bestehende Dateien ohne Warnung überschreiben".
    explicit TRunQuestions(TMessageBoxPresenter& boxes, bool replaceWithoutAsking = false)
        : FBoxes(&boxes), FReplaceAll(replaceWithoutAsking)
    {
    }

    TReplaceDecision AskReplace(const QString& target, int64_t existingSize, const QDateTime& existingTime,
                                int64_t entrySize, uint32_t entryDosDateTime);
    // Shows (or collects) the failure of one entry; false when the user
    // stopped the run with it. systemError: the errno of a failed output
    // step, 0 when none is known; method: the entry's, to name one we do
    // not decode.
    bool ReportFailure(const QString& target, int resultCode, int systemError = 0, uint16_t method = 0);

    // The run is to end without further questions (the window closes, or
    // the user said "Abbrechen").
    void Stop() { FStopped = true; }
    bool Stopped() const { return FStopped; }
    // One line per failure that was collected instead of shown: the target
    // and its reason.
    const QStringList& CollectedFailures() const { return FCollected; }
    // Every failure of the run, told at once or collected.
    int FailureCount() const { return FFailures; }

private:
    TMessageBoxPresenter* FBoxes;  // a pointer: a run's questions are assigned anew for the next run
    bool FReplaceAll = false;
    bool FSkipAll = false;
    bool FCollect = false;   // "Weitere Fehler erst am Ende anzeigen" was ticked
    bool FStopped = false;
    QStringList FCollected;
    int FFailures = 0;
};

// Failures collected for a run's end ("target: reason" each), in one box
// with the list below the text; nothing when there are none.
void ShowCollectedFailures(TMessageBoxPresenter& boxes, const QStringList& failures);

}  // namespace valbrix
