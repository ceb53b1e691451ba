// The hyperlink label's state machine; see the header.
#include "HTTPLabelState.h"

namespace valbrix::about {

TLabelLook THTTPLabelState::NormalLook() const
{
    return {FScheme.BGColorNormal, FScheme.FontColorNormal, FScheme.FontStyleNormal};
}

void THTTPLabelState::SetScheme(const TLabelScheme& scheme, bool formActive)
{
    FScheme = scheme;
    UpdateLook(formActive);
}

void THTTPLabelState::SetHighlightable(bool highlightable, bool formActive)
{
    FHighlightable = highlightable;
    UpdateLook(formActive);
}

void THTTPLabelState::UpdateLook(bool formActive)
{
    // A label without an address stays plain under the mouse here as on
    // entry; otherwise any restyle (a new font, a new address) would light
    // up a label that entry left dark.
    if (!FHovered || !FHighlightable)
        FLook = NormalLook();
    else if (formActive)
        FLook = {FScheme.BGColorHighlight, FScheme.FontColHighlightFocused, FScheme.FontStyleHighlightFocused};
    else
        FLook = {FScheme.BGColorNormal, FScheme.FontColHighlightNoneFocused, FScheme.FontStyleHighlightNoneFocused};
}

std::vector<TLabelEvent> THTTPLabelState::MouseEnter(bool formActive)
{
    FHovered = true;
    if (formActive) {
        if (FHighlightable)
            FLook = {FScheme.BGColorHighlight, FScheme.FontColHighlightFocused, FScheme.FontStyleHighlightFocused};
        return {leGetFocusWindowActive, leGetFocus};
    }
    // In an inactive window only colour and style change; the background
    // keeps whatever it had.
    if (FHighlightable) {
        FLook.FontColor = FScheme.FontColHighlightNoneFocused;
        FLook.Style = FScheme.FontStyleHighlightNoneFocused;
    }
    return {leGetFocusWindowInActive, leGetFocus};
}

std::vector<TLabelEvent> THTTPLabelState::MouseLeave(bool formActive)
{
    FHovered = false;
    FLook = NormalLook();
    return {formActive ? leLooseFocusWindowActive : leLooseFocusWindowInActive, leLooseFocus};
}

}  // namespace valbrix::about
