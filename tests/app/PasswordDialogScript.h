// A scripted stand-in for the password dialog: tests queue what the "user"
// types (or Abbrechen) into the window's seam it is given. Each run records
// what the dialog showed; a dialog with no answer queued, or an answer left
// unasked, fails the test.
#pragma once

#include <QCheckBox>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QList>
#include <QTest>
#include <QThread>

#include "app/dialogs/PasswordDialog.h"

namespace valbrix::test {

struct TPasswordDialogRun {
    QString Title;
    QString Prompt;
    bool WrongShown = false;     // "Das Kennwort ist falsch." visible
    bool MaskedAtFirst = false;  // the field hid the password when it opened
    bool ShownWhenChecked = false;  // "Kennwort anzeigen" unmasked it
    bool OnGuiThread = false;    // a dialog opened from a worker thread would crash a real run
};

class TPasswordDialogScript {
public:
    explicit TPasswordDialogScript(TPasswordDialogRunner& seam) : FSeam(seam)
    {
        seam = [this](TPasswordDialog& dialog) { return Run(dialog); };
    }
    ~TPasswordDialogScript()
    {
        FSeam = ExecPasswordDialog;  // the seam's owner outlives the script
        if (!FAnswers.isEmpty())
            QTest::qFail(qPrintable(QStringLiteral("%1 password answer(s) never asked for").arg(FAnswers.size())),
                         __FILE__, __LINE__);
    }
    TPasswordDialogScript(const TPasswordDialogScript&) = delete;
    TPasswordDialogScript& operator=(const TPasswordDialogScript&) = delete;

    void Type(const QString& password) { FAnswers.append({true, password}); }
    void Cancel() { FAnswers.append({false, QString()}); }

    QList<TPasswordDialogRun> Runs;

private:
    struct TAnswer {
        bool Accept;
        QString Password;
    };
    int Run(TPasswordDialog& dialog)
    {
        TPasswordDialogRun run;
        run.OnGuiThread = QThread::currentThread() == QCoreApplication::instance()->thread();
        run.Title = dialog.windowTitle();
        run.Prompt = dialog.PromptLabel->text();
        run.WrongShown = !dialog.WrongLabel->isHidden();
        run.MaskedAtFirst = dialog.PasswordEdit->echoMode() == QLineEdit::Password;
        dialog.ShowPasswordCheck->setChecked(true);
        run.ShownWhenChecked = dialog.PasswordEdit->echoMode() == QLineEdit::Normal;
        dialog.ShowPasswordCheck->setChecked(false);
        Runs.append(run);
        if (FAnswers.isEmpty()) {
            QTest::qFail("unexpected password dialog", __FILE__, __LINE__);
            return QDialog::Rejected;
        }
        const TAnswer answer = FAnswers.takeFirst();
        dialog.PasswordEdit->setText(answer.Password);
        return answer.Accept ? QDialog::Accepted : QDialog::Rejected;
    }

    QList<TAnswer> FAnswers;
    TPasswordDialogRunner& FSeam;
};

}  // namespace valbrix::test
