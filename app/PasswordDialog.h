// The password question of the window: a dialog titled "Kennwort" that
// names the entry, takes the password in a masked field ("Kennwort
// anzeigen" unmasks it), and says "Das Kennwort ist falsch." when the last
// one did not fit. It is run through a runner that tests replace, so no
// test waits on a modal dialog; TWindowPasswords answers the engine's
// question with it.
#pragma once

#include <functional>

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

// Runs the dialog and returns QDialog::Accepted or Rejected; the default
// runs it modally. Returns the runner it replaces.
using TPasswordDialogRunner = std::function<int(TPasswordDialog&)>;
TPasswordDialogRunner SetPasswordDialogRunner(TPasswordDialogRunner runner);

// The window's answer to the engine: one dialog per question, about the
// entry set last.
class TWindowPasswords : public TPasswordProvider {
public:
    void SetEntryName(const QString& name) { FEntryName = name; }
    TPasswordAnswer AskPassword(bool wrongBefore, TSecret& password) override;

private:
    QString FEntryName;
};

}  // namespace valbrix
