#include "client/window/arena_backdrop.h"

#include <QPainter>

#include <tuple>

namespace quorvex::client {

const QPixmap& ArenaBackdrop::For(const QSize& size, double ratio, const SurfaceScale& scale,
                                  const arena::Arena& arena, const SideMarks& marks,
                                  const QColor& background) {
    // Compared where they lie, and copied only when they differ: this runs for every frame.
    auto shown = std::tie(shown_.size, shown_.ratio, shown_.factor, shown_.offset, shown_.segments,
                          shown_.barriers, shown_.names, shown_.ownSeat, shown_.background);
    const auto now = std::tie(size, ratio, scale.factor, scale.offset, arena.segments,
                              arena.barriers, marks.names, marks.ownSeat, background);
    if (!image_.isNull() && shown == now) {
        return image_;
    }
    shown = now;
    image_ = QPixmap(size * ratio);
    image_.setDevicePixelRatio(ratio);
    image_.fill(background);
    QPainter painter(&image_);
    painter.translate(scale.offset);
    painter.scale(scale.factor, scale.factor);
    painter.setClipRect(kArenaSurface);
    PaintStill(painter, arena, marks);
    return image_;
}

}  // namespace quorvex::client
