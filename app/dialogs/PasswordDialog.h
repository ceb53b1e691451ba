// The password question of the window: a dialog titled "Kennwort" that
// names the entry, takes the password in a masked field ("Kennwort
// anzeigen" unmasks it), and says "Das Kennwort ist falsch." when the last
// one did not fit. It is run through the window's runner, which tests
// replace, so no test waits on a modal dialog; TWindowPasswords answers the
// engine's question with it.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include <QDialog>
#include <QString>

#include "engine/crypto/PasswordProvider.h"

class QCheckBox;
class QLabel;
class QLineEdit;

namespace valbrix {

class TPasswordDialog : public QDialog {
    Q_OBJECT
public:
    TPasswordDialog(const QString& entryName, bool wrongBefore, QWidget* parent = nullptr);

    QLabel* PromptLabel;    // names the entry
    QLabel* WrongLabel;     // "Das Kennwort ist falsch.", shown after a wrong one
    QLineEdit* PasswordEdit;
    QCheckBox* ShowPasswordCheck;
};

// Runs the dialog and returns QDialog::Accepted or Rejected.
using TPasswordDialogRunner = std::function<int(TPasswordDialog&)>;
// The modal run.
int ExecPasswordDialog(TPasswordDialog& dialog);

// The window's answer to the engine: one dialog per question, about the
// entry set last, run by `runner` (read at each question; an empty one runs
// the dialog modally). Abbrechen holds for the rest of the run: no further
// dialog, every later question is declined at once.
class TWindowPasswords : public TPasswordProvider {
public:
    explicit TWindowPasswords(const TPasswordDialogRunner& runner) : FRunner(runner) {}
    // A new run asks again.
    void BeginRun() { FDeclined = false; }
    void SetEntryName(const QString& name) { FEntryName = name; }
    TPasswordAnswer AskPassword(bool wrongBefore, TSecret& password) override;

private:
    const TPasswordDialogRunner& FRunner;
    QString FEntryName;
    bool FDeclined = false;  // the user said Abbrechen in this run
};

// The entries of one run that went without a password because the user
// declined it: they are skipped, not failed. Results arrive in archive
// order, after the entry's question, so the set stays small.
class TDeclinedEntries {
public:
    void Clear() { FOffsets.clear(); }
    void Add(uint64_t localHeaderOffset) { FOffsets.push_back(localHeaderOffset); }
    // True (and forgotten) when the entry at that offset was declined.
    bool Take(uint64_t localHeaderOffset);

private:
    std::vector<uint64_t> FOffsets;
};

}  // namespace valbrix
