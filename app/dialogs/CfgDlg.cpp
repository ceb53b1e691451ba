// The settings dialog's form and the settings command behind "Einstellungen...".
#include "app/dialogs/CfgDlg.h"

#include <QCheckBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/dialogs/MessageBox.h"
#include "platform/ErrorText.h"
#include "platform/FileAssociation.h"
#include "platform/gui/NativePath.h"
#include "platform/gui/PathFacts.h"

namespace valbrix {

namespace {

// The form's client size; larger fonts may grow it, never shrink it.
constexpr int ClientWidth = 425, ClientHeight = 144;

QString AssociationFailureText(const platform::TAssociationResult& result, const platform::TXdgFolders& folders)
{
    if (result.MimeappsReadError == 0)
        return QStringLiteral("Die Verknüpfung mit ZIP-Dateien konnte nicht gespeichert werden.");
    const std::string cause = platform::GermanErrorText(result.MimeappsReadError, platform::esReading);
    return QStringLiteral("Die Verknüpfung mit ZIP-Dateien konnte nicht gespeichert werden: Die Datei %1 lässt "
                          "sich nicht lesen. %2 Sie wurde nicht verändert, damit Ihre übrigen "
                          "Dateizuordnungen darin erhalten bleiben.")
        .arg(platform::DisplayPath(folders.MimeappsPath()),
             cause.empty() ? QStringLiteral("Systemfehler %1.").arg(result.MimeappsReadError)
                           : QString::fromStdString(cause));
}

}  // namespace

TCfgDlg::TCfgDlg(QWidget* owner)
    : QDialog(owner)
{
    setWindowTitle(QStringLiteral("Einstellungen"));

    Panel = new QFrame(this);
    Panel->setFrameShape(QFrame::StyledPanel);
    Panel->setFrameShadow(QFrame::Sunken);
    InfoLabel = new QLabel(QStringLiteral("Die Verknüpfung von Valbrix mit ZIP-Dateien ermöglicht es, dass Sie "
                                          "ZIP-Dateien direkt, z.B. aus dem Dateimanager, öffnen können."),
                           Panel);
    InfoLabel->setWordWrap(true);
    ZIPChkBox = new QCheckBox(QStringLiteral("Dateierweiterung .ZIP mit Valbrix verknüpfen."), Panel);
    auto* panelLayout = new QVBoxLayout(Panel);
    panelLayout->addWidget(InfoLabel);
    panelLayout->addWidget(ZIPChkBox);

    OKBtn = new QPushButton(QStringLiteral("OK"), this);
    OKBtn->setDefault(true);
    CancelBtn = new QPushButton(QStringLiteral("Abbrechen"), this);  // Escape rejects as well
    connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(OKBtn);
    buttons->addWidget(CancelBtn);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Panel);
    layout->addLayout(buttons);
    // A fixed dialog border: the size the texts need, at least the form's own.
    InfoLabel->setMinimumWidth(ClientWidth - 40);
    setFixedSize(sizeHint().expandedTo(QSize(ClientWidth, ClientHeight)));
}

int ExecCfgDlg(TCfgDlg& dialog)
{
    return dialog.exec();
}

void RunSettingsCommand(QWidget* owner, const TCfgDlgRunner& runner, TMessageBoxPresenter& boxes,
                        const platform::TXdgFolders& folders, const QString& programPath)
{
    const std::string program = programPath.toStdString();
    TCfgDlg dialog(owner);
    dialog.ZIPChkBox->setChecked(platform::AssociationIsOurs(folders, program));
    const int result = runner ? runner(dialog) : ExecCfgDlg(dialog);
    if (result != QDialog::Accepted || !dialog.ZIPChkBox->isChecked())
        return;
    const platform::TAssociationResult written = platform::WriteAssociation(folders, program);
    if (!written.Succeeded())
        ShowMessageBox(boxes, AssociationFailureText(written, folders), QString(), mkError, bcOK);
}

void RunSettingsCommand(QWidget* owner, const TCfgDlgRunner& runner, TMessageBoxPresenter& boxes)
{
    RunSettingsCommand(owner, runner, boxes, platform::UserXdgFolders(), platform::ProgramPath());
}

}  // namespace valbrix
