// Message boxes by kind and button combination; see the header.
#include "MessageBox.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QVariant>

namespace valbrix {

namespace {

struct TKindInfo {
    const char* Caption;
    uint32_t IconFlag;
    QMessageBox::Icon Icon;
};

// An error carries the exclamation icon and a warning the stop icon, not the reverse.
const TKindInfo KindTable[] = {
    {"Fehler", mbIconExclamation, QMessageBox::Warning},
    {"Information", mbIconInformation, QMessageBox::Information},
    {"Frage", mbIconQuestion, QMessageBox::Question},
    {"Warnung", mbIconHand, QMessageBox::Critical},
    {"Bestätigung", mbIconQuestion, QMessageBox::Question},
};

const TKindInfo& KindInfo(TMessageKind kind)
{
    return KindTable[kind <= mkConfirmation ? kind : mkError];
}

struct TButtonInfo {
    const char* Text;
    int Answer;
    QMessageBox::ButtonRole Role;
};

// The original platform's button codes 0..5, each a row of buttons left to right.
struct TButtonRow {
    TButtonInfo Buttons[3];
    int Count;
    int EscapeAnswer;
};

const TButtonRow ButtonRows[] = {
    {{{"OK", idOK, QMessageBox::AcceptRole}}, 1, idOK},                                   // 0 OK
    {{{"OK", idOK, QMessageBox::AcceptRole}, {"Abbrechen", idCancel, QMessageBox::RejectRole}}, 2, idCancel},
    {{{"Beenden", idAbort, QMessageBox::RejectRole}, {"Wiederholen", idRetry, QMessageBox::AcceptRole},
      {"Ignorieren", idIgnore, QMessageBox::AcceptRole}}, 3, idAbort},                    // 2 abort/retry/ignore
    {{{"Ja", idYes, QMessageBox::YesRole}, {"Nein", idNo, QMessageBox::NoRole},
      {"Abbrechen", idCancel, QMessageBox::RejectRole}}, 3, idCancel},                    // 3 yes/no/cancel
    {{{"Ja", idYes, QMessageBox::YesRole}, {"Nein", idNo, QMessageBox::NoRole}}, 2, idNo}, // 4 yes/no
    {{{"Wiederholen", idRetry, QMessageBox::AcceptRole}, {"Abbrechen", idCancel, QMessageBox::RejectRole}}, 2,
     idCancel},                                                                           // 5 retry/cancel
};

class TDialogPresenter : public TMessageBoxPresenter {
public:
    int Present(const TMessageBoxRequest& request) override
    {
        QMessageBox* box = BuildMessageBox(request, QApplication::activeWindow());
        if (request.Flags & mbSetForeground) {
            box->raise();
            box->activateWindow();
        }
        box->exec();
        int answer = idCancel;
        if (QAbstractButton* clicked = box->clickedButton())
            answer = clicked->property("answer").toInt();
        delete box;
        return answer;
    }
};

TMessageBoxPresenter& DialogPresenter()
{
    static TDialogPresenter presenter;
    return presenter;
}

TMessageBoxPresenter*& CurrentPresenter()
{
    static TMessageBoxPresenter* current = &DialogPresenter();
    return current;
}

}  // namespace

uint32_t MessageBoxFlags(TMessageKind kind, TMessageButtons buttons)
{
    static const uint32_t buttonCodes[6] = {2, 0, 1, 5, 4, 3};
    uint32_t flags = mbSetForeground + KindInfo(kind).IconFlag;
    for (int bit = 0; bit < 6; ++bit)
        if (buttons & (1u << bit))
            flags += buttonCodes[bit];
    return flags;
}

QString DefaultCaption(TMessageKind kind)
{
    return QString::fromUtf8(KindInfo(kind).Caption);
}

TMessageBoxPresenter* SetMessageBoxPresenter(TMessageBoxPresenter* presenter)
{
    TMessageBoxPresenter* previous = CurrentPresenter();
    CurrentPresenter() = presenter ? presenter : &DialogPresenter();
    return previous;
}

QMessageBox* BuildMessageBox(const TMessageBoxRequest& request, QWidget* owner)
{
    auto* box = new QMessageBox(owner);
    box->setWindowTitle(request.Caption);
    box->setText(request.Text);
    box->setIcon(KindInfo(request.Kind).Icon);
    // More than one element in the set adds up to no valid combination; show OK then.
    const uint32_t code = request.Flags & 0x0F;
    const TButtonRow& row = ButtonRows[code < 6 ? code : 0];
    for (int i = 0; i < row.Count; ++i) {
        QPushButton* button = box->addButton(QString::fromUtf8(row.Buttons[i].Text), row.Buttons[i].Role);
        button->setProperty("answer", row.Buttons[i].Answer);
        if (i == 0)
            box->setDefaultButton(button);
        if (row.Buttons[i].Answer == row.EscapeAnswer)
            box->setEscapeButton(button);
    }
    return box;
}

int ShowMessageBox(const QString& text, const QString& caption, TMessageKind kind, TMessageButtons buttons)
{
    TMessageBoxRequest request;
    request.Text = text;
    request.Caption = caption.isEmpty() ? DefaultCaption(kind) : caption;
    request.Kind = kind;
    request.Flags = MessageBoxFlags(kind, buttons);
    return CurrentPresenter()->Present(request);
}

}  // namespace valbrix
