// TDirSelectDlg, "Markierte Datei(en) extrahieren": asks for the target
// folder and the two extraction options. Created anew for each extraction,
// so both check boxes start ticked every time; only the folder is
// remembered, by the caller. Enter in the folder field or a check box walks
// to the next control instead of closing the dialog; Escape cancels.
#pragma once

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;

namespace valbrix {

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
    QLineEdit* DirEdit = nullptr;
    QToolButton* DirButton = nullptr;
    QCheckBox* WithFoldersChkBox = nullptr;
    QCheckBox* OverwriteChkBox = nullptr;
    QPushButton* OKBtn = nullptr;
    QPushButton* CancelBtn = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void DirEditExit();
    void DirEditAfterDialog(QString& name, bool& action);
    void BrowseFolder();
};

// Every '"' removed: a path pasted from a shell often comes quoted.
QString WithoutQuotes(const QString& text);

}  // namespace valbrix
