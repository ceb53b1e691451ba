// The message box through which the user interface words every question and
// failure: a kind (icon and default caption) and one button combination,
// answered with the original platform's answer codes so callers compare
// against the same numbers everywhere. The box is shown by a presenter
// (TMessageBoxPresenter) that each caller is given: the window's, which a
// test replaces with a script on the window it made.
#pragma once

#include <cstdint>
#include <vector>

#include <QString>

class QFontMetrics;
class QMessageBox;
class QWidget;

namespace valbrix {

enum TMessageKind : uint8_t { mkError = 0, mkInformation, mkQuestion, mkWarning, mkConfirmation };

// A set, bit n for element n; callers pass exactly one element.
enum TMessageButton : uint8_t {
    bcAbortRetryIgnore = 1,
    bcOK = 2,
    bcOKCancel = 4,
    bcRetryCancel = 8,
    bcYesNo = 16,
    bcYesNoCancel = 32,
};
using TMessageButtons = uint8_t;

// Answer codes; the last two answer the program's own boxes, which the
// platform's combinations do not offer.
enum TMessageAnswer : int {
    idOK = 1, idCancel = 2, idAbort = 3, idRetry = 4, idIgnore = 5, idYes = 6, idNo = 7,
    idYesToAll = 8, idNoToAll = 9,
};

// Flag values of the original platform, kept so the combination stays inspectable.
constexpr uint32_t mbSetForeground = 0x10000;
constexpr uint32_t mbIconHand = 0x10, mbIconQuestion = 0x20, mbIconExclamation = 0x30, mbIconInformation = 0x40;

uint32_t MessageBoxFlags(TMessageKind kind, TMessageButtons buttons);
QString DefaultCaption(TMessageKind kind);

// A button of a box whose buttons the caller lists itself.
struct TBoxButton {
    QString Text;      // may carry a mnemonic ("&Abbrechen")
    int Answer = idOK;
};

// Everything a presenter needs to show one box.
struct TMessageBoxRequest {
    QString Text;
    QString Caption;   // already defaulted from the kind
    TMessageKind Kind = mkError;
    uint32_t Flags = 0;
    // The program's own boxes: their buttons left to right (the first is the
    // default) and the answer of Escape; empty: the combination in Flags.
    std::vector<TBoxButton> Buttons{};
    int EscapeAnswer = 0;
    // A check box below the text (empty: none); the presenter stores its
    // state when the box closes.
    QString CheckBoxText{};
    bool* CheckBoxChecked = nullptr;
    // Shown in a scrollable field below the text (empty: none), for lists
    // too long for a box.
    QString Details{};
};

class TMessageBoxPresenter {
public:
    virtual ~TMessageBoxPresenter() = default;
    virtual int Present(const TMessageBoxRequest& request) = 0;
};

// The real one: a modal QMessageBox over the active window. Holds no state.
TMessageBoxPresenter& DialogPresenter();

// Builds the box for a request: icon, caption, German buttons, escape button.
// Each button carries its answer code in the property "answer".
QMessageBox* BuildMessageBox(const TMessageBoxRequest& request, QWidget* owner);

// Shows one box through `boxes`.
int ShowMessageBox(TMessageBoxPresenter& boxes, const QString& text, const QString& caption, TMessageKind kind,
                   TMessageButtons buttons);
// A box with its own buttons, check box or details: Caption is defaulted
// from the kind and Flags filled in here.
int ShowMessageBox(TMessageBoxPresenter& boxes, TMessageBoxRequest request);

// Lines wider than `maxWidth` pixels get their longest word (a path, as a
// rule) shortened in the middle, so the box keeps its width and the end of
// every line stays readable.
QString ElideLongWords(const QString& text, const QFontMetrics& metrics, int maxWidth);

}  // namespace valbrix
