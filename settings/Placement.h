// Where a window goes when its saved placement is restored, and what is
// saved when it closes, as functions over a list of screens (primary first)
// so that tests can use any screen set. Bounds are the window's position
// (its frame's top-left corner) and its size, in virtual-desktop pixels.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include <QByteArray>
#include <QRect>

namespace valbrix {

// The values of the store; -1 for a bound means "nothing saved".
struct TStoredPlacement {
    int State = 0;  // 1 = maximized
    int Top = -1;
    int Left = -1;
    int Height = -1;
    int Width = -1;
    int Monitor = 0;  // 1 = the window lay on a screen other than the primary one
};

struct TPlacementResult {
    QRect Bounds;
    bool Maximized = false;
    bool KeepState = false;  // nothing was saved: the window state stays as it is
    int Monitor = 0;         // the stored monitor value as the screen choice changed it
};

// Restores a saved placement for a window now at `window`, on `screens`
// (primary first). Nothing saved: centred on the primary screen at the
// current size. Otherwise the position and (for a resizable window) the
// size come back, pulled onto the chosen screen's right and bottom edges;
// a placement that would end on no screen at all (its screen is gone) is
// centred on the primary screen instead.
TPlacementResult PlaceWindow(const TStoredPlacement& stored, const std::vector<QRect>& screens, const QRect& window,
                             bool resizable, bool allowMaximized);

// What to save for a closing window: nothing when it is minimized (or
// maximized without allowMaximized); only State when it is maximized (the
// normal bounds stay as saved); else everything. screenIndex is the index of
// the window's screen in the primary-first list, or -1 for none.
struct TPlacementSave {
    bool Bounds = false;  // Top, Left, Width, Height and Monitor are written too
    TStoredPlacement Values;
};
std::optional<TPlacementSave> PlacementToSave(bool minimized, bool maximized, const QRect& bounds, int screenIndex,
                                              bool allowMaximized);

// The stream record: state, top, left, height, width (int32, little-endian),
// then optionally one monitor byte. Empty or damaged data reads as nothing saved.
TStoredPlacement ReadPlacementRecord(const QByteArray& data);
QByteArray PlacementRecord(const TStoredPlacement& placement);

}  // namespace valbrix
