// The extraction dialog; see the header. The folder field is a line edit
// with a browse button beside it.
#include "DirSelectUnit.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

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
    DirEdit = new QLineEdit;
    Label->setBuddy(DirEdit);
    DirButton = new QToolButton;
    DirButton->setText(QStringLiteral("..."));
    DirButton->setToolTip(QStringLiteral("Ordner wählen"));
    DirButton->setFocusPolicy(Qt::NoFocus);
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

    auto* field = new QHBoxLayout;
    field->setSpacing(2);
    field->addWidget(DirEdit, 1);
    field->addWidget(DirButton);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(OKBtn);
    buttons->addWidget(CancelBtn);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label);
    layout->addLayout(field);
    layout->addWidget(WithFoldersChkBox);
    layout->addWidget(OverwriteChkBox);
    layout->addWidget(line);
    layout->addLayout(buttons);
    setTabOrder(DirEdit, WithFoldersChkBox);
    setTabOrder(WithFoldersChkBox, OverwriteChkBox);
    setTabOrder(OverwriteChkBox, OKBtn);
    setTabOrder(OKBtn, CancelBtn);

    for (QWidget* control : {static_cast<QWidget*>(DirEdit), static_cast<QWidget*>(WithFoldersChkBox),
                             static_cast<QWidget*>(OverwriteChkBox)})
        control->installEventFilter(this);
    connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
    connect(DirButton, &QToolButton::clicked, this, &TDirSelectDlg::BrowseFolder);

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

bool TDirSelectDlg::eventFilter(QObject* watched, QEvent* event)
{
    // DirEditKeyPress: Enter walks on to the next control instead of closing the dialog.
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            focusNextChild();
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

void TDirSelectDlg::BrowseFolder()
{
    QString name = QFileDialog::getExistingDirectory(this, QStringLiteral("Ordner wählen"),
                                                     WithoutQuotes(DirEdit->text()));
    bool action = !name.isEmpty();
    DirEditAfterDialog(name, action);
    if (action)
        DirEdit->setText(name);
}

}  // namespace valbrix
