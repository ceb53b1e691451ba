// A scripted stand-in for the folder dialog: tests queue the folders the
// "user" picks ("" = Abbrechen) in the dialogs of the runner seam it is
// given (a folder field's, a window's). Each dialog run takes the next answer and
// records the folder the dialog opened at and its buttons, and can press "&Hilfe".
// A dialog with no answer queued, or an answer left unasked when the script
// ends, fails the test.
#pragma once

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QList>
#include <QPushButton>
#include <QTest>

#include "controls/FileUtil.h"

namespace valbrix::test {

struct TFolderDialogRun {
    QString StartFolder;  // the folder the dialog showed when it opened
    QString Title;
    QStringList Buttons;  // button texts, left to right as laid out
};

class TFolderDialogScript {
public:
    explicit TFolderDialogScript(TFolderDialogRunner& seam) : FSeam(seam)
    {
        seam = [this](QFileDialog& dialog) { return Run(dialog); };
    }
    ~TFolderDialogScript()
    {
        FSeam = nullptr;  // the modal run again; the seam's owner outlives the script
        if (!FAnswers.isEmpty())
            QTest::qFail(qPrintable(QStringLiteral("%1 folder dialog answer(s) never asked for").arg(FAnswers.size())),
                         __FILE__, __LINE__);
    }
    TFolderDialogScript(const TFolderDialogScript&) = delete;
    TFolderDialogScript& operator=(const TFolderDialogScript&) = delete;

    void Choose(const QString& folder) { FAnswers.append(folder); }
    void Cancel() { FAnswers.append(QString()); }

    QList<TFolderDialogRun> Runs;
    bool PressHelp = false;  // every run presses "&Hilfe" (when there is one) before it answers

private:
    QString Run(QFileDialog& dialog)
    {
        TFolderDialogRun run{dialog.directory().absolutePath(), dialog.windowTitle(), {}};
        if (auto* box = dialog.findChild<QDialogButtonBox*>())
            for (QAbstractButton* button : box->buttons())
                run.Buttons << button->text();
        Runs.append(run);
        if (PressHelp)
            if (auto* help = dialog.findChild<QPushButton*>(QStringLiteral("HelpButton")))
                help->click();
        if (FAnswers.isEmpty()) {
            QTest::qFail("unexpected folder dialog", __FILE__, __LINE__);
            return {};
        }
        return FAnswers.takeFirst();
    }

    QList<QString> FAnswers;
    TFolderDialogRunner& FSeam;
};

}  // namespace valbrix::test
