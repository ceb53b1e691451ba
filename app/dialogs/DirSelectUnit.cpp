// The extraction dialog; see the header.
#include "app/dialogs/DirSelectUnit.h"

#include <QCheckBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "controls/ToolEdit.h"

namespace valbrix {

namespace {

constexpr int ClientWidth = 490;

}  // namespace

QString WithoutQuotes(const QString& text)
{
    QString result = text;
    result.remove(QLatin1Char('"'));
    return result;
}

TDirSelectDlg::TDirSelectDlg(QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Markierte Datei(en) extrahieren"));
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);

    Label = new QLabel(QStringLiteral("Bitte wählen Sie den Ordner, in den die Datei(en) entpackt werden sollen:"));
    DirEdit = new TDirectoryEdit;
    DirEdit->DialogKind = dkWin32;
    DirEdit->DialogText = QStringLiteral("Ordner wählen");
    DirEdit->DialogOptions = sdAllowCreate | sdPerformCreate | sdPrompt;
    DirEdit->SetButtonHint(QStringLiteral("Ordner wählen"));
    DirEdit->OnAfterDialog = [this](TFileDirEdit&, QString& name, bool& action) { DirEditAfterDialog(name, action); };
    DirEdit->OnKeyPress = [this](TCustomComboEdit&, QChar& key) { DirEditKeyPress(key); };
    Label->setBuddy(DirEdit);
    WithFoldersChkBox = new QCheckBox(QStringLiteral(" Mit Ordnerangaben extrahieren"));
    WithFoldersChkBox->setChecked(true);
    OverwriteChkBox = new QCheckBox(QStringLiteral(" Bestehende Dateien ohne Warnung überschreiben"));
    OverwriteChkBox->setChecked(true);
    OKBtn = new QPushButton(QStringLiteral("OK"));
    OKBtn->setDefault(true);
    CancelBtn = new QPushButton(QStringLiteral("Abbrechen"));
    auto* line = new QFrame;
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(OKBtn);
    buttons->addWidget(CancelBtn);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label);
    layout->addWidget(DirEdit);
    layout->addWidget(WithFoldersChkBox);
    layout->addWidget(OverwriteChkBox);
    layout->addWidget(line);
    layout->addLayout(buttons);
    setTabOrder(DirEdit, WithFoldersChkBox);
    setTabOrder(WithFoldersChkBox, OverwriteChkBox);
    setTabOrder(OverwriteChkBox, OKBtn);
    setTabOrder(OKBtn, CancelBtn);

    // The field sees Enter through its own key handler (before the dialog's
    // default button would); the check boxes have none, so a filter stands in.
    DirEdit->installEventFilter(this);  // focus loss only
    WithFoldersChkBox->installEventFilter(this);
    OverwriteChkBox->installEventFilter(this);
    connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);

    // At least the designed width; wider when the desktop font needs it, never cut.
    layout->setSizeConstraint(QLayout::SetFixedSize);
    setMinimumWidth(ClientWidth);
    DirEdit->setFocus();
}

QString TDirSelectDlg::FolderText() const
{
    return DirEdit->text();
}

void TDirSelectDlg::SetFolderText(const QString& text)
{
    DirEdit->setText(text);
}

bool TDirSelectDlg::WithFolders() const
{
    return WithFoldersChkBox->isChecked();
}

bool TDirSelectDlg::Overwrite() const
{
    return OverwriteChkBox->isChecked();
}

void TDirSelectDlg::DirEditKeyPress(QChar& key)
{
    // Enter walks on to the next control instead of closing the dialog.
    if (key == QChar(13)) {
        key = QChar();
        // Styles draw the focus frame only after a focus move by keyboard;
        // without it the next Space would untick a box unseen.
        setAttribute(Qt::WA_KeyboardFocusChange);
        focusNextChild();
    }
}

bool TDirSelectDlg::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress && watched != DirEdit) {
        const QString typed = static_cast<QKeyEvent*>(event)->text();
        QChar key = typed.isEmpty() ? QChar() : typed.front();
        if (key == QChar(13)) {
            DirEditKeyPress(key);
            return true;
        }
    } else if (watched == DirEdit && event->type() == QEvent::FocusOut) {
        DirEditExit();
    }
    return QDialog::eventFilter(watched, event);
}

void TDirSelectDlg::DirEditExit()
{
    DirEdit->setText(WithoutQuotes(DirEdit->text()));
}

void TDirSelectDlg::DirEditAfterDialog(QString& name, bool& /*action*/)
{
    name = WithoutQuotes(name);
}

}  // namespace valbrix
