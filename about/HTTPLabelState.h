// The look of a hyperlink label as a small state machine, apart from any
// widget: whether the mouse is over it, and which colours and font style
// that calls for in an active or an inactive window. Mouse entry and exit
// return the events to fire, in order, so a table test can walk every path.
#pragma once

#include <vector>

#include <QColor>

namespace valbrix::about {

struct TFontStyle {
    bool Bold = false;
    bool Underline = false;
    bool operator==(const TFontStyle&) const = default;
};

struct TLabelLook {
    QColor Background;
    QColor FontColor;
    TFontStyle Style;
    bool operator==(const TLabelLook&) const = default;
};

// The label's colour and style properties.
struct TLabelScheme {
    QColor BGColorNormal;
    QColor BGColorHighlight;
    QColor FontColorNormal;
    QColor FontColHighlightFocused;
    QColor FontColHighlightNoneFocused;
    TFontStyle FontStyleNormal;
    TFontStyle FontStyleHighlightFocused{true, true};
    TFontStyle FontStyleHighlightNoneFocused{false, true};
    bool operator==(const TLabelScheme&) const = default;
};

enum TLabelEvent {
    leGetFocus,
    leLooseFocus,
    leGetFocusWindowActive,
    leLooseFocusWindowActive,
    leGetFocusWindowInActive,
    leLooseFocusWindowInActive,
};

class THTTPLabelState {
public:
    explicit THTTPLabelState(const TLabelScheme& scheme) : FScheme(scheme) { UpdateLook(false); }

    const TLabelScheme& Scheme() const { return FScheme; }
    // Takes new colours and styles and recomputes the look.
    void SetScheme(const TLabelScheme& scheme, bool formActive);
    // Whether the label highlights at all: it carries an address, or is told
    // to highlight without one.
    void SetHighlightable(bool highlightable, bool formActive);

    bool Hovered() const { return FHovered; }
    const TLabelLook& Look() const { return FLook; }

    // The look for the present hover state and window activity.
    void UpdateLook(bool formActive);
    std::vector<TLabelEvent> MouseEnter(bool formActive);
    std::vector<TLabelEvent> MouseLeave(bool formActive);

private:
    TLabelLook NormalLook() const;

    TLabelScheme FScheme;
    TLabelLook FLook;
    bool FHovered = false;
    bool FHighlightable = false;
};

}  // namespace valbrix::about
