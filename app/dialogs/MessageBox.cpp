// Message boxes by kind and button combination; see the header.
#include "app/dialogs/MessageBox.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFontMetrics>
#include <QGridLayout>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QTextOption>
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
        if (request.CheckBoxChecked && box->checkBox())
            *request.CheckBoxChecked = box->checkBox()->isChecked();
        delete box;
        return answer;
    }
};

// Wider than this, a word would make the box grow to its limit and still be
// cut; about 50 average characters of the desktop font, so a shortened name
// still fits a line beside a few words.
constexpr int MaxWordWidthInCharacters = 50;

QPushButton* AddButton(QMessageBox* box, const QString& text, int answer, QMessageBox::ButtonRole role)
{
    QPushButton* button = box->addButton(text, role);
    button->setProperty("answer", answer);
    return button;
}

QMessageBox::ButtonRole RoleOf(int answer)
{
    switch (answer) {
    case idYes:
    case idYesToAll: return QMessageBox::YesRole;
    case idNo:
    case idNoToAll: return QMessageBox::NoRole;
    case idCancel:
    case idAbort: return QMessageBox::RejectRole;
    default: return QMessageBox::AcceptRole;
    }
}

// The field sits between the text and the buttons. QMessageBox rebuilds
// its grid whenever text, icon or check box change, so this comes last.
void AddDetails(QMessageBox* box, const QString& details)
{
    auto* grid = qobject_cast<QGridLayout*>(box->layout());
    auto* buttons = box->findChild<QDialogButtonBox*>();
    auto* field = new QPlainTextEdit(details, box);
    field->setReadOnly(true);
    // Wrapped, at a blank where there is one: a cut line would end mid-word.
    field->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    field->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    field->setMinimumSize(field->fontMetrics().averageCharWidth() * 60, field->fontMetrics().height() * 10);
    if (!grid || !buttons) {
        box->setDetailedText(details);  // the field's place is unknown: behind a button, but there
        delete field;
        return;
    }
    int row = 0, column = 0, rowSpan = 0, columnSpan = 0;
    grid->getItemPosition(grid->indexOf(buttons), &row, &column, &rowSpan, &columnSpan);
    grid->removeWidget(buttons);
    grid->addWidget(field, row, 0, 1, grid->columnCount());
    grid->addWidget(buttons, row + 1, column, rowSpan, columnSpan);
    field->setFocus();
}

}  // namespace

TMessageBoxPresenter& DialogPresenter()
{
    static TDialogPresenter presenter;
    return presenter;
}

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

QString ElideLongWords(const QString& text, const QFontMetrics& metrics, int maxWidth)
{
    QStringList lines = text.split(QLatin1Char('\n'));
    for (QString& line : lines) {
        QStringList words = line.split(QLatin1Char(' '));
        for (QString& word : words)
            if (metrics.horizontalAdvance(word) > maxWidth) {
                // Joined to the ellipsis: a line break there would read as two names.
                const QChar joiner(0x2060);
                word = metrics.elidedText(word, Qt::ElideMiddle, maxWidth)
                           .replace(QChar(0x2026), QString(joiner) + QChar(0x2026) + joiner);
            }
        line = words.join(QLatin1Char(' '));
    }
    return lines.join(QLatin1Char('\n'));
}

QMessageBox* BuildMessageBox(const TMessageBoxRequest& request, QWidget* owner)
{
    auto* box = new QMessageBox(owner);
    box->setWindowTitle(request.Caption);
    // File names come from archives and users: never read as markup.
    box->setTextFormat(Qt::PlainText);
    const QFontMetrics metrics(box->font());
    const QString shown = ElideLongWords(request.Text, metrics, metrics.averageCharWidth() * MaxWordWidthInCharacters);
    box->setText(shown);
    if (shown != request.Text)
        box->setToolTip(request.Text);
    box->setIcon(KindInfo(request.Kind).Icon);
    if (!request.Buttons.empty()) {
        for (size_t i = 0; i < request.Buttons.size(); ++i) {
            const TBoxButton& wanted = request.Buttons[i];
            QPushButton* button = AddButton(box, wanted.Text, wanted.Answer, RoleOf(wanted.Answer));
            if (i == 0)
                box->setDefaultButton(button);
            if (wanted.Answer == request.EscapeAnswer)
                box->setEscapeButton(button);
        }
    } else {
        // More than one element in the set adds up to no valid combination; show OK then.
        const uint32_t code = request.Flags & 0x0F;
        const TButtonRow& row = ButtonRows[code < 6 ? code : 0];
        for (int i = 0; i < row.Count; ++i) {
            QPushButton* button = AddButton(box, QString::fromUtf8(row.Buttons[i].Text), row.Buttons[i].Answer,
                                            row.Buttons[i].Role);
            if (i == 0)
                box->setDefaultButton(button);
            if (row.Buttons[i].Answer == row.EscapeAnswer)
                box->setEscapeButton(button);
        }
    }
    if (!request.CheckBoxText.isEmpty()) {
        auto* check = new QCheckBox(request.CheckBoxText);
        check->setChecked(request.CheckBoxChecked && *request.CheckBoxChecked);
        box->setCheckBox(check);
    }
    if (!request.Details.isEmpty())
        AddDetails(box, request.Details);
    return box;
}

int ShowMessageBox(TMessageBoxPresenter& boxes, const QString& text, const QString& caption, TMessageKind kind,
                   TMessageButtons buttons)
{
    TMessageBoxRequest request;
    request.Text = text;
    request.Caption = caption.isEmpty() ? DefaultCaption(kind) : caption;
    request.Kind = kind;
    request.Flags = MessageBoxFlags(kind, buttons);
    return boxes.Present(request);
}

int ShowMessageBox(TMessageBoxPresenter& boxes, TMessageBoxRequest request)
{
    if (request.Caption.isEmpty())
        request.Caption = DefaultCaption(request.Kind);
    if (request.Flags == 0)
        request.Flags = MessageBoxFlags(request.Kind, 0);
    return boxes.Present(request);
}

}  // namespace valbrix
