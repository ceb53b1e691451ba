// The hyperlink label widget; see the header.
#include "HTTPLabel.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPalette>
#include <QUrl>

#include "platform/gui/Launcher.h"

namespace valbrix::about {

namespace {

TLabelScheme DefaultScheme()
{
    TLabelScheme scheme;
    scheme.BGColorNormal = SystemColor(clBackground);
    scheme.BGColorHighlight = SystemColor(clHighlight);
    scheme.FontColorNormal = SystemColor(clCaptionText);
    scheme.FontColHighlightFocused = SystemColor(clHighlightText);
    scheme.FontColHighlightNoneFocused = SystemColor(clHighlight);
    return scheme;
}

}  // namespace

QColor SystemColor(TSystemColor color)
{
    const QPalette palette = QApplication::palette();
    switch (color) {
    // The desktop has no colour of its own to ask for; this is the classic
    // desktop blue, dark enough for white text.
    case clBackground: return QColor(0x3A, 0x6E, 0xA5);
    case clHighlight: return palette.color(QPalette::Active, QPalette::Highlight);
    case clHighlightText: return palette.color(QPalette::Active, QPalette::HighlightedText);
    case clCaptionText: return QColor(Qt::white);
    }
    return {};
}

THTTPLabel::THTTPLabel(QWidget* parent)
    : QLabel(parent)
    , FState(DefaultScheme())
{
    setAutoFillBackground(true);
    setCursor(Qt::ArrowCursor);
    ApplyLook();
}

bool THTTPLabel::FormActive() const
{
    return window()->isActiveWindow();
}

void THTTPLabel::SetUrl(const QString& url)
{
    if (url == FUrl)
        return;
    FUrl = url;
    setCursor(FUrl.isEmpty() ? Qt::ArrowCursor : Qt::PointingHandCursor);
    if (FShowUrlAsHint)
        setToolTip(FUrl);
    FState.SetHighlightable(!FUrl.isEmpty() || FHighLightOnBlankURL, FormActive());
    ApplyLook();
}

void THTTPLabel::SetShowUrlAsHint(bool show)
{
    if (show == FShowUrlAsHint)
        return;
    FShowUrlAsHint = show;
    // Switched off, the hint goes with the flag: a stale address would
    // otherwise keep popping up over a label that no longer shows it.
    setToolTip(show ? FUrl : QString());
}

void THTTPLabel::SetHighLightOnBlankURL(bool highlight)
{
    if (highlight == FHighLightOnBlankURL)
        return;
    FHighLightOnBlankURL = highlight;
    FState.SetHighlightable(!FUrl.isEmpty() || FHighLightOnBlankURL, FormActive());
    ApplyLook();
}

void THTTPLabel::SetScheme(const TLabelScheme& scheme)
{
    if (scheme == FState.Scheme())
        return;
    FState.SetScheme(scheme, FormActive());
    ApplyLook();
}

void THTTPLabel::ApplyLook()
{
    const TLabelLook& look = FState.Look();
    QPalette colours = palette();
    colours.setColor(QPalette::Window, look.Background);
    colours.setColor(QPalette::WindowText, look.FontColor);
    setPalette(colours);
    QFont styled = font();
    styled.setBold(look.Style.Bold);
    styled.setUnderline(look.Style.Underline);
    setFont(styled);
    update();
}

void THTTPLabel::Fire(const std::vector<TLabelEvent>& events)
{
    for (const TLabelEvent event : events) {
        const TOnFocus* handler = nullptr;
        switch (event) {
        case leGetFocus: handler = &OnGetFocus; break;
        case leLooseFocus: handler = &OnLooseFocus; break;
        case leGetFocusWindowActive: handler = &OnGetFocusWindowActive; break;
        case leLooseFocusWindowActive: handler = &OnLooseFocusWindowActive; break;
        case leGetFocusWindowInActive: handler = &OnGetFocusWindowInActive; break;
        case leLooseFocusWindowInActive: handler = &OnLooseFocusWindowInActive; break;
        }
        if (handler && *handler)
            (*handler)(*this);
    }
}

void THTTPLabel::enterEvent(QEnterEvent* event)
{
    QLabel::enterEvent(event);
    const auto events = FState.MouseEnter(FormActive());
    ApplyLook();
    Fire(events);
}

void THTTPLabel::leaveEvent(QEvent* event)
{
    QLabel::leaveEvent(event);
    const auto events = FState.MouseLeave(FormActive());
    ApplyLook();
    Fire(events);
}

void THTTPLabel::mousePressEvent(QMouseEvent* event)
{
    FPressed = event->button() == Qt::LeftButton;
    QLabel::mousePressEvent(event);
}

void THTTPLabel::mouseReleaseEvent(QMouseEvent* event)
{
    // A click is a press and a release over the label, as with a button.
    const bool click = FPressed && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
    FPressed = false;
    QLabel::mouseReleaseEvent(event);
    if (click)
        Click();
}

void THTTPLabel::Click()
{
    // What the desktop answers is not shown: an address it cannot open
    // simply opens nothing.
    if (!FUrl.isEmpty())
        Launcher->OpenUrl(QUrl(FUrl));
    if (OnClick)
        OnClick(*this);
}

}  // namespace valbrix::about
