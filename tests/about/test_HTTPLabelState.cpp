// The hyperlink label's look under the mouse, as a table over its paths:
// with and without an address, in an active and an inactive window, and the
// events each entry and exit fires, in order.
#include <gtest/gtest.h>

#include <vector>

#include "about/HTTPLabelState.h"

using namespace valbrix::about;

namespace {

const QColor Desk(1, 1, 1), Sel(2, 2, 2), SelText(3, 3, 3), Caption(4, 4, 4), Other(5, 5, 5);
const TFontStyle Plain{}, BoldUnder{true, true}, Under{false, true};

TLabelScheme Scheme()
{
    TLabelScheme scheme;
    scheme.BGColorNormal = Desk;
    scheme.BGColorHighlight = Sel;
    scheme.FontColorNormal = Caption;
    scheme.FontColHighlightFocused = SelText;
    scheme.FontColHighlightNoneFocused = Sel;
    return scheme;
}

const TLabelLook Normal{Desk, Caption, Plain};
const TLabelLook ActiveHighlight{Sel, SelText, BoldUnder};
const TLabelLook InactiveHighlight{Desk, Sel, Under};

}  // namespace

// Catches entry highlighting a label without an address, the inactive
// variant changing the background or using the active colours, events in the
// wrong order or the wrong variant, and an exit that leaves a highlight.
TEST(HTTPLabelState, EntryAndExitTable)
{
    const struct {
        const char* name;
        bool highlightable;
        bool activeOnEntry;
        bool activeOnExit;
        TLabelLook hovered;
        std::vector<TLabelEvent> entryEvents;
        std::vector<TLabelEvent> exitEvents;
    } rows[] = {
        {"address, active window", true, true, true, ActiveHighlight, {leGetFocusWindowActive, leGetFocus},
         {leLooseFocusWindowActive, leLooseFocus}},
        {"address, inactive window", true, false, false, InactiveHighlight, {leGetFocusWindowInActive, leGetFocus},
         {leLooseFocusWindowInActive, leLooseFocus}},
        {"address, window activated while hovered", true, false, true, InactiveHighlight,
         {leGetFocusWindowInActive, leGetFocus}, {leLooseFocusWindowActive, leLooseFocus}},
        {"no address, active window", false, true, true, Normal, {leGetFocusWindowActive, leGetFocus},
         {leLooseFocusWindowActive, leLooseFocus}},
        {"no address, inactive window", false, false, false, Normal, {leGetFocusWindowInActive, leGetFocus},
         {leLooseFocusWindowInActive, leLooseFocus}},
    };
    for (const auto& row : rows) {
        THTTPLabelState state(Scheme());
        state.SetHighlightable(row.highlightable, row.activeOnEntry);
        EXPECT_EQ(state.Look(), Normal) << row.name;
        EXPECT_EQ(state.MouseEnter(row.activeOnEntry), row.entryEvents) << row.name;
        EXPECT_TRUE(state.Hovered()) << row.name;
        EXPECT_EQ(state.Look(), row.hovered) << row.name;
        EXPECT_EQ(state.MouseLeave(row.activeOnExit), row.exitEvents) << row.name;
        EXPECT_FALSE(state.Hovered()) << row.name;
        EXPECT_EQ(state.Look(), Normal) << row.name;
    }
}

// Catches a restyle under the mouse that ignores the window's activity, one
// that lights a label without an address, and new colours that do not show.
TEST(HTTPLabelState, RestyleWhileHovered)
{
    THTTPLabelState state(Scheme());
    state.SetHighlightable(true, false);
    state.MouseEnter(false);
    state.UpdateLook(true);
    EXPECT_EQ(state.Look(), ActiveHighlight);
    state.UpdateLook(false);
    EXPECT_EQ(state.Look(), InactiveHighlight);

    TLabelScheme changed = Scheme();
    changed.FontColHighlightNoneFocused = Other;
    state.SetScheme(changed, false);
    EXPECT_EQ(state.Look(), (TLabelLook{Desk, Other, Under}));

    state.SetHighlightable(false, true);
    EXPECT_EQ(state.Look(), Normal);
}
