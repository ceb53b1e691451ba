// The placement rules on made-up screen sets: what a restore does with the
// saved values, and what a closing window saves.
#include <gtest/gtest.h>

#include "settings/Placement.h"

namespace valbrix {
namespace {

const QRect Primary(0, 0, 1920, 1080);
const QRect RightOfIt(1920, 0, 1280, 1024);
const QRect LeftOfIt(-1280, 0, 1280, 1024);
const QRect Designed(100, 100, 600, 400);  // where and how large the window is before the restore

struct PlaceCase {
    const char* Name;
    TStoredPlacement Stored;  // State, Top, Left, Height, Width, Monitor
    std::vector<QRect> Screens;
    bool Resizable;
    QRect Bounds;
    bool Maximized;
    int Monitor;
};

// Catches: a first start not centred on the primary screen (or centred on
// the wrong one of two), a window restored off every screen after its
// screen was unplugged, a width beyond the screen pushing the window left
// off it, the second screen's negative coordinates refused, a stale
// negative position on the primary screen applied, a fixed-size window
// resized, and the maximized flag lost or applied without leave.
TEST(Placement, RestoreOnScreenSets)
{
    const PlaceCase cases[] = {
        {"first start, one screen", {}, {Primary}, true, {660, 340, 600, 400}, false, 0},
        {"first start, two screens", {}, {Primary, RightOfIt}, true, {660, 340, 600, 400}, false, 0},
        {"one bound missing is nothing saved", {0, 10, 10, 300, -1, 0}, {Primary}, true, {660, 340, 600, 400}, false, 0},
        {"plain restore", {0, 50, 70, 500, 800, 0}, {Primary}, true, {70, 50, 800, 500}, false, 0},
        {"on the right-hand screen", {0, 20, 2000, 500, 800, 1}, {Primary, RightOfIt}, true, {2000, 20, 800, 500}, false, 1},
        {"on a left-hand screen", {0, 20, -1200, 500, 800, 1}, {Primary, LeftOfIt}, true, {-1200, 20, 800, 500}, false, 1},
        {"right-hand screen gone", {0, 20, 2000, 500, 800, 1}, {Primary}, true, {1120, 20, 800, 500}, false, 0},
        {"left-hand screen gone", {0, 20, -1200, 500, 800, 1}, {Primary}, true, {100, 20, 800, 500}, false, 0},
        {"fixed size, screen gone", {0, 20, 2500, 500, 800, 0}, {Primary}, false, {660, 340, 600, 400}, false, 0},
        {"far below every screen", {0, 5000, 10, 500, 800, 1}, {Primary, RightOfIt}, false, {660, 340, 600, 400}, false, 0},
        {"wider than the screen", {0, 10, 300, 500, 2500, 0}, {Primary}, true, {0, 10, 2500, 500}, false, 0},
        {"taller than the screen", {0, 300, 10, 1500, 800, 0}, {Primary}, true, {10, 0, 800, 1500}, false, 0},
        {"stale negative left on the primary", {0, 30, -50, 500, 800, 0}, {Primary}, true, {100, 30, 800, 500}, false, 0},
        {"fixed size keeps its size", {0, 30, 40, 500, 800, 0}, {Primary}, false, {40, 30, 600, 400}, false, 0},
        {"maximized", {1, 30, 40, 500, 800, 0}, {Primary}, true, {40, 30, 800, 500}, true, 0},
        {"odd monitor value", {0, 30, 40, 500, 800, 7}, {Primary, RightOfIt}, true, {40, 30, 800, 500}, false, 7},
    };
    for (const PlaceCase& c : cases) {
        const TPlacementResult result = PlaceWindow(c.Stored, c.Screens, Designed, c.Resizable, true);
        EXPECT_EQ(result.Bounds, c.Bounds) << c.Name;
        EXPECT_EQ(result.Maximized, c.Maximized) << c.Name;
        EXPECT_EQ(result.Monitor, c.Monitor) << c.Name;
    }
    // Without leave to maximize, a saved maximized state restores the normal window.
    EXPECT_FALSE(PlaceWindow({1, 30, 40, 500, 800, 0}, {Primary}, Designed, true, false).Maximized);
    // Nothing saved: the window state is left alone.
    EXPECT_TRUE(PlaceWindow({}, {Primary}, Designed, true, true).KeepState);
}

// Catches: a minimized window saved (it would come back as an icon-sized
// or off-screen window), maximized bounds overwriting the normal ones, and
// the secondary-screen flag set for the primary screen or for no screen.
TEST(Placement, WhatAClosingWindowSaves)
{
    const QRect bounds(2000, 20, 800, 500);
    EXPECT_FALSE(PlacementToSave(true, false, bounds, 0, true));
    EXPECT_FALSE(PlacementToSave(false, true, bounds, 0, false));

    const auto maximized = PlacementToSave(false, true, bounds, 1, true);
    ASSERT_TRUE(maximized);
    EXPECT_EQ(maximized->Values.State, 1);
    EXPECT_FALSE(maximized->Bounds);

    for (const auto& [screen, monitor] : {std::pair{0, 0}, {1, 1}, {2, 1}, {-1, 0}}) {
        const auto normal = PlacementToSave(false, false, bounds, screen, true);
        ASSERT_TRUE(normal);
        EXPECT_TRUE(normal->Bounds);
        EXPECT_EQ(normal->Values.State, 0);
        EXPECT_EQ(normal->Values.Monitor, monitor) << screen;
        EXPECT_EQ(QRect(normal->Values.Left, normal->Values.Top, normal->Values.Width, normal->Values.Height), bounds);
    }
}

// Catches: a short or empty stream read as garbage bounds instead of
// "nothing saved", the monitor byte required, fields read in the wrong
// order or byte order.
TEST(Placement, StreamRecord)
{
    const TStoredPlacement saved{1, -20, 1930, 500, 800, 1};
    const QByteArray record = PlacementRecord(saved);
    ASSERT_EQ(record.size(), 21);
    const TStoredPlacement back = ReadPlacementRecord(record);
    EXPECT_EQ(QRect(back.Left, back.Top, back.Width, back.Height), QRect(1930, -20, 800, 500));
    EXPECT_EQ(back.State, 1);
    EXPECT_EQ(back.Monitor, 1);
    EXPECT_EQ(ReadPlacementRecord(record.left(20)).Monitor, 0);
    for (const QByteArray& damaged : {QByteArray(), record.left(19)}) {
        const TStoredPlacement nothing = ReadPlacementRecord(damaged);
        EXPECT_EQ(nothing.Width, -1);
        EXPECT_EQ(nothing.State, 0);
    }
}

}  // namespace
}  // namespace valbrix
