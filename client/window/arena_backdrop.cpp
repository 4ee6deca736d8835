#include "client/window/arena_backdrop.h"

#include <QPainter>

namespace quorvex::client {

const QPixmap& ArenaBackdrop::For(const QSize& size, double ratio, const SurfaceScale& scale,
                                  const arena::Arena& arena, const SideMarks& marks,
                                  const QColor& background) {
    Shown now{size,           ratio,       scale.factor,  scale.offset, arena.segments,
              arena.barriers, marks.names, marks.ownSeat, background};
    if (!image_.isNull() && now == shown_) {
        return image_;
    }
    shown_ = std::move(now);
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
