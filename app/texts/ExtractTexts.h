// The texts of the extraction workflow: the replace question, the failure of
// one entry with the reason in German, the summary, and date-time texts in the
// user's locale. Pure functions over their arguments and QLocale(), so tests
// check them without a window. This is the one place where a result code of
// the engine becomes German words; valbrix-cli keeps its own texts.
#pragma once

#include <cstdint>

#include <QDateTime>
#include <QString>

#include "app/texts/ListTexts.h"

namespace valbrix {

// One sentence saying why an entry failed, for every result code. With the
// system error (errno) of a failed output step, the output failure tells a
// full disk, missing rights and a name too long apart; with the entry's
// method, a method we do not decode is named.
QString ResultText(int resultCode, int systemError = 0, uint16_t method = 0);
// "Fehler beim Auspacken nach „target“!" and, on a second line, ResultText.
QString ExtractFailureText(const QString& target, int resultCode, int systemError = 0, uint16_t method = 0);
// The sentence for the system error of a failed output step; empty for an
// error that has no sentence of its own.
QString OutputErrorText(int systemError);

// The locale's short date with a four-digit year, a blank and the long time
// (hh:mm:ss); the time is left out at exactly midnight.
QString DateTimeText(const QDateTime& time);

// The question before an existing file is replaced, with real line breaks.
QString ReplaceQuestionText(const QString& target, int64_t existingSize, const QDateTime& existingTime,
                            int64_t entrySize, uint32_t entryDosDateTime);
QString SummaryText(int count);
// The summary of a run that was stopped, whose later failures were
// collected or that skipped encrypted entries for want of a password; the
// same as SummaryText(count) when none of that happened.
QString SummaryText(int count, bool stopped, qsizetype collectedFailures, qsizetype skipped = 0);
// The end of a stopped run that created files or folders: the same counts,
// and the offer to take back what it created; `replaced` files that stood
// there before already hold the archive's content, which is said plainly.
QString StoppedSummaryText(int count, qsizetype collectedFailures, qsizetype skipped = 0, qsizetype replaced = 0);
// Why an encrypted entry was left out: the user declined its password.
QString SkippedText();
// After taking a run back: what could not be removed.
QString TrailLeftText(size_t left);
// A full (or read-only) target ended the run: the one box for every entry
// not extracted, with what was extracted before.
QString DiskFullText(int count, uint64_t notExtracted);

}  // namespace valbrix
