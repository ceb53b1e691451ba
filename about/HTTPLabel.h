// THTTPLabel: a text label that acts as a hyperlink. Under the mouse it
// changes colours and font style (bold and underlined in the active window,
// underlined in an inactive one), shows the hand cursor while it carries an
// address, and a click hands the address to the desktop through its
// launcher (a web page, or a mailto: address for the mail program).
// It plays no sound. The look itself is THTTPLabelState's.
#pragma once

#include <functional>

#include <QLabel>

#include "HTTPLabelState.h"
#include "platform/gui/Launcher.h"

namespace valbrix::about {

// The Windows system colours the dialog is drawn in, on this desktop:
// desktop background, selection, selected text, caption text.
enum TSystemColor { clBackground, clHighlight, clHighlightText, clCaptionText };
QColor SystemColor(TSystemColor color);

class THTTPLabel : public QLabel {
public:
    using TOnFocus = std::function<void(THTTPLabel& sender)>;

    explicit THTTPLabel(QWidget* parent = nullptr);

    const QString& Url() const { return FUrl; }
    void SetUrl(const QString& url);
    bool ShowUrlAsHint() const { return FShowUrlAsHint; }
    void SetShowUrlAsHint(bool show);
    bool HighLightOnBlankURL() const { return FHighLightOnBlankURL; }
    void SetHighLightOnBlankURL(bool highlight);
    // The colours and font styles; the look is redrawn only when they differ.
    const TLabelScheme& Scheme() const { return FState.Scheme(); }
    void SetScheme(const TLabelScheme& scheme);

    bool Hovered() const { return FState.Hovered(); }
    const TLabelLook& Look() const { return FState.Look(); }
    // Hands Url to the desktop (when there is one), then OnClick.
    void Click();

    TOnFocus OnGetFocus;
    TOnFocus OnLooseFocus;
    TOnFocus OnGetFocusWindowActive;
    TOnFocus OnLooseFocusWindowActive;
    TOnFocus OnGetFocusWindowInActive;
    TOnFocus OnLooseFocusWindowInActive;
    TOnFocus OnClick;
    // Where a click's address goes: the desktop's, or the owner's stand-in
    // (which must outlive the label).
    platform::TLauncher* Launcher = &platform::DesktopLauncher();

protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    bool FormActive() const;
    void ApplyLook();
    void Fire(const std::vector<TLabelEvent>& events);

    THTTPLabelState FState;
    QString FUrl;
    bool FShowUrlAsHint = false;
    bool FHighLightOnBlankURL = false;
    bool FPressed = false;  // the left button went down over the label
};

}  // namespace valbrix::about
