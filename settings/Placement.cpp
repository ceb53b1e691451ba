// Placement rules of the saved window position; see Placement.h.
#include "Placement.h"

#include <algorithm>
#include <cstring>

namespace valbrix {

namespace {

QPoint CentreOn(const QRect& area, const QSize& size)
{
    // Halves truncate toward zero, as the original arithmetic did.
    return {area.left() + (area.width() - size.width()) / 2, area.top() + (area.height() - size.height()) / 2};
}

// True when the window's top strip (where its title bar is) shows on a
// screen, so the user can still reach and move it.
bool Reachable(const QRect& window, const std::vector<QRect>& screens)
{
    const QRect titleStrip(window.left(), window.top(), window.width(), std::min(window.height(), 30));
    return std::any_of(screens.begin(), screens.end(), [&](const QRect& screen) {
        const QRect seen = screen.intersected(titleStrip);
        return seen.width() >= std::min(titleStrip.width(), 50) && seen.height() > 0;
    });
}

int32_t ReadInt32(const QByteArray& data, qsizetype at)
{
    uint32_t value = 0;
    for (int i = 3; i >= 0; --i)
        value = (value << 8) | uint8_t(data[at + i]);
    return int32_t(value);
}

}  // namespace

TPlacementResult PlaceWindow(const TStoredPlacement& stored, const std::vector<QRect>& screens, const QRect& window,
                             bool resizable, bool allowMaximized)
{
    TPlacementResult result;
    result.Bounds = window;
    if (screens.empty())
        return result;
    if (stored.Top == -1 || stored.Left == -1 || stored.Height == -1 || stored.Width == -1) {
        result.Bounds.moveTopLeft(CentreOn(screens[0], window.size()));
        result.KeepState = true;
        return result;
    }
    int monitor = stored.Monitor;
    if (screens.size() == 1 && monitor == 1)
        monitor = 0;
    const QRect& area = monitor == 1 ? screens[1] : screens[0];

    QRect bounds = window;
    // On the primary screen a negative coordinate is taken for a stale value;
    // another screen may lie left of or above the primary one.
    if (monitor == 1) {
        bounds.moveLeft(stored.Left);
        bounds.moveTop(stored.Top);
    } else {
        if (stored.Left >= 0)
            bounds.moveLeft(stored.Left);
        if (stored.Top >= 0)
            bounds.moveTop(stored.Top);
    }
    if (resizable) {
        const int right = area.left() + area.width(), bottom = area.top() + area.height();
        if (stored.Width > 0) {
            if (bounds.left() + stored.Width > right)
                bounds.moveLeft(std::max(right - stored.Width, area.left()));
            bounds.setWidth(stored.Width);
        }
        if (stored.Height > 0) {
            if (bounds.top() + stored.Height > bottom)
                bounds.moveTop(std::max(bottom - stored.Height, area.top()));
            bounds.setHeight(stored.Height);
        }
    }
    // The screen it was saved on may be gone or moved: rather than leave the
    // window where nobody can reach it, put it in the middle of the primary screen.
    if (!Reachable(bounds, screens)) {
        bounds.moveTopLeft(CentreOn(screens[0], bounds.size()));
        bounds.moveLeft(std::max(bounds.left(), screens[0].left()));
        bounds.moveTop(std::max(bounds.top(), screens[0].top()));
        monitor = 0;
    }
    result.Bounds = bounds;
    result.Maximized = stored.State == 1 && allowMaximized;
    result.Monitor = monitor;
    return result;
}

std::optional<TPlacementSave> PlacementToSave(bool minimized, bool maximized, const QRect& bounds, int screenIndex,
                                              bool allowMaximized)
{
    if (minimized || (maximized && !allowMaximized))
        return std::nullopt;
    TPlacementSave save;
    save.Values.State = maximized ? 1 : 0;
    if (maximized)
        return save;
    save.Bounds = true;
    save.Values.Top = bounds.top();
    save.Values.Left = bounds.left();
    save.Values.Width = bounds.width();
    save.Values.Height = bounds.height();
    save.Values.Monitor = screenIndex > 0 ? 1 : 0;
    return save;
}

TStoredPlacement ReadPlacementRecord(const QByteArray& data)
{
    TStoredPlacement placement;
    if (data.size() < 20)
        return placement;  // empty or cut short: as if nothing were saved
    placement.State = ReadInt32(data, 0);
    placement.Top = ReadInt32(data, 4);
    placement.Left = ReadInt32(data, 8);
    placement.Height = ReadInt32(data, 12);
    placement.Width = ReadInt32(data, 16);
    if (data.size() > 20)
        placement.Monitor = uint8_t(data[20]);
    return placement;
}

QByteArray PlacementRecord(const TStoredPlacement& placement)
{
    QByteArray data;
    for (int32_t value : {placement.State, placement.Top, placement.Left, placement.Height, placement.Width})
        for (int shift = 0; shift < 32; shift += 8)
            data.append(char((uint32_t(value) >> shift) & 0xFF));
    data.append(char(placement.Monitor));
    return data;
}

}  // namespace valbrix
