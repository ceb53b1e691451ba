// The password dialog; see the header. The typed text goes to the engine as
// UTF-8, the encoding AES archives use for their passwords; the field is
// cleared as soon as it has been read.
#include "app/dialogs/PasswordDialog.h"

#include <algorithm>

#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <openssl/crypto.h>

#include "app/texts/ListTexts.h"

namespace valbrix {

TPasswordDialog::TPasswordDialog(const QString& entryName, bool wrongBefore, QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Kennwort"));
    PromptLabel = new QLabel(QStringLiteral("Der Eintrag \u201E%1\u201C ist verschlüsselt.\nBitte geben Sie das Kennwort ein:")
                                 .arg(VisibleNameText(entryName)),
                             this);
    PromptLabel->setTextFormat(Qt::PlainText);  // a name from an archive is never markup
    WrongLabel = new QLabel(QStringLiteral("Das Kennwort ist falsch."), this);
    WrongLabel->setVisible(wrongBefore);
    PasswordEdit = new QLineEdit(this);
    PasswordEdit->setEchoMode(QLineEdit::Password);
    ShowPasswordCheck = new QCheckBox(QStringLiteral("Kennwort an&zeigen"), this);
    connect(ShowPasswordCheck, &QCheckBox::toggled, this, [this](bool shown) {
        PasswordEdit->setEchoMode(shown ? QLineEdit::Normal : QLineEdit::Password);
    });
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("&OK"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("&Abbrechen"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(PromptLabel);
    layout->addWidget(WrongLabel);
    layout->addWidget(PasswordEdit);
    layout->addWidget(ShowPasswordCheck);
    layout->addWidget(buttons);
    PasswordEdit->setFocus();
}

bool TDeclinedEntries::Take(uint64_t localHeaderOffset)
{
    const auto at = std::find(FOffsets.begin(), FOffsets.end(), localHeaderOffset);
    if (at == FOffsets.end())
        return false;
    FOffsets.erase(at);
    return true;
}

int ExecPasswordDialog(TPasswordDialog& dialog)
{
    return dialog.exec();
}

TPasswordAnswer TWindowPasswords::AskPassword(bool wrongBefore, TSecret& password)
{
    if (FDeclined)
        return paCancelled;
    TPasswordDialog dialog(FEntryName, wrongBefore, QApplication::activeWindow());
    const int result = FRunner ? FRunner(dialog) : dialog.exec();
    if (result != QDialog::Accepted) {
        FDeclined = true;
        return paCancelled;
    }
    QByteArray text = dialog.PasswordEdit->text().toUtf8();
    dialog.PasswordEdit->clear();
    password.Assign(reinterpret_cast<const uint8_t*>(text.constData()), size_t(text.size()));
    OPENSSL_cleanse(text.data(), size_t(text.size()));
    return paGiven;
}

}  // namespace valbrix
