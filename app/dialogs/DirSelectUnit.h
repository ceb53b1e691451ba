// TDirSelectDlg, "Markierte Datei(en) extrahieren": asks for the target
// folder and the two extraction options. Created anew for each extraction,
// so both check boxes start ticked every time; only the folder is
// remembered, by the caller. The folder field's button and Alt+Down open
// the folder dialog. Enter in the folder field or a check box walks to the
// next control instead of closing the dialog; Escape cancels.
#pragma once

#include <QDialog>

class QCheckBox;
class QLabel;
class QPushButton;

namespace valbrix {

class TDirectoryEdit;

class TDirSelectDlg : public QDialog {
    Q_OBJECT
public:
    explicit TDirSelectDlg(QWidget* parent = nullptr);

    QString FolderText() const;
    void SetFolderText(const QString& text);
    bool WithFolders() const;
    bool Overwrite() const;

    // Components, named as the form names them.
    QLabel* Label = nullptr;
    TDirectoryEdit* DirEdit = nullptr;  // its button or Alt+Down opens the folder dialog
    QCheckBox* WithFoldersChkBox = nullptr;
    QCheckBox* OverwriteChkBox = nullptr;
    QPushButton* OKBtn = nullptr;
    QPushButton* CancelBtn = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void DirEditExit();
    void DirEditAfterDialog(QString& name, bool& action);
    void DirEditKeyPress(QChar& key);
};

// Every '"' removed: a path pasted from a shell often comes quoted.
QString WithoutQuotes(const QString& text);

}  // namespace valbrix
