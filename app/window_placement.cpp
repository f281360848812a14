#include "app/window_placement.h"

#include <algorithm>

namespace {

constexpr int kGripWidth = 64;  // pixels of the top strip that must be on a screen
constexpr int kGripHeight = 24;

bool GripIsVisible(const TBounds& b, const QList<QRect>& screens) {
    const QRect strip(b.Left, b.Top, std::max(b.Width, 1), kGripHeight);
    for (const QRect& screen : screens) {
        const QRect common = screen.intersected(strip);
        if (common.width() >= std::min(kGripWidth, b.Width) && common.height() >= kGripHeight / 2) {
            return true;
        }
    }
    return false;
}

}  // namespace

TBounds KeepOnScreen(const TBounds& bounds, const QList<QRect>& screens) {
    if (screens.isEmpty() || GripIsVisible(bounds, screens)) return bounds;
    const QRect& primary = screens.front();
    TBounds placed;
    placed.Width = std::min(bounds.Width, primary.width());
    placed.Height = std::min(bounds.Height, primary.height());
    placed.Left = primary.left() + (primary.width() - placed.Width) / 2;
    placed.Top = primary.top() + (primary.height() - placed.Height) / 2;
    return placed;
}
