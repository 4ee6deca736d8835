#pragma once

// The arena's still parts (dividers, sides, the names beside them) drawn once into an image of
// the window's size. A frame copies the part it repaints from it and draws only the paddles and
// the ball over that: at sixty frames a second, laying out names and smoothing sides again
// cost more than everything that moves.

#include <QColor>
#include <QPixmap>
#include <QPointF>
#include <QRectF>
#include <QSize>
#include <QString>

#include <vector>

#include "client/arena/arena.h"
#include "client/state/client_state.h"
#include "client/window/arena_painter.h"
#include "client/window/surface_scale.h"

namespace quorvex::client {

// The arena's part of the surface, above Line1: nothing of the game is drawn beyond it, not
// in the black margins of a window shaped unlike the surface either. Pixels of the natural
// surface.
inline constexpr QRectF kArenaSurface(0, 0, static_cast<double>(kSurfaceWidth) / kTwipsPerPixel,
                                      static_cast<double>(kSeparatorY) / kTwipsPerPixel);

class ArenaBackdrop {
  public:
    // The still parts for a window of `size` pixels at device pixel `ratio`, placed by
    // `scale`, over `background`; drawn again only when any of these differs from the last
    // call.
    const QPixmap& For(const QSize& size, double ratio, const SurfaceScale& scale,
                       const arena::Arena& arena, const SideMarks& marks, const QColor& background);

  private:
    struct Shown {
        QSize size;
        double ratio = 0;
        double factor = 0;
        QPointF offset;
        std::vector<arena::Line> segments;
        std::vector<arena::Line> barriers;
        std::vector<QString> names;
        int ownSeat = -1;
        QColor background;
    };
    Shown shown_;
    QPixmap image_;
};

}  // namespace quorvex::client
