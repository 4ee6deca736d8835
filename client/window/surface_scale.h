#pragma once

// The window is laid out for a drawing surface of 10350 x 9600 twips, 690 x 640 pixels at its
// natural size. At any other size everything is scaled by one factor, the largest at which the
// whole surface fits, and centred; the margins stay black. The game itself never sees the
// scale: positions go back to twips of the natural surface.

#include <QPointF>
#include <QRect>
#include <QSize>

#include "ui/twips.h"

namespace quorvex::client {

inline constexpr int kSurfaceWidth = 10350;  // twips
inline constexpr int kSurfaceHeight = 9600;
inline constexpr int kNaturalWidth = TwipsToPixels(kSurfaceWidth);    // 690 pixels
inline constexpr int kNaturalHeight = TwipsToPixels(kSurfaceHeight);  // 640

struct SurfaceScale {
    double factor = 1;
    QPointF offset;  // where the surface's top left corner sits in the window

    static SurfaceScale For(const QSize& window);

    // A point of the window in twips of the natural surface.
    QPointF ToTwips(const QPointF& pixel) const;

    // A control's box given in twips, in pixels of its parent: the window itself (`onSurface`,
    // shifted by the offset) or a frame on it (already shifted).
    QRect Place(const QRect& twips, bool onSurface) const;
};

}  // namespace quorvex::client
