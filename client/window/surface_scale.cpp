#include "client/window/surface_scale.h"

#include <algorithm>
#include <cmath>

namespace quorvex::client {

SurfaceScale SurfaceScale::For(const QSize& window) {
    const double wide = static_cast<double>(window.width()) / kNaturalWidth;
    const double high = static_cast<double>(window.height()) / kNaturalHeight;
    SurfaceScale scale;
    scale.factor = std::max(0.01, std::min(wide, high));
    // Whole pixels, so that lines and text start on the pixel grid at every size.
    scale.offset = QPointF(std::floor((window.width() - kNaturalWidth * scale.factor) / 2),
                           std::floor((window.height() - kNaturalHeight * scale.factor) / 2));
    return scale;
}

QPointF SurfaceScale::ToTwips(const QPointF& pixel) const {
    return (pixel - offset) / factor * kTwipsPerPixel;
}

QRect SurfaceScale::Place(const QRect& twips, bool onSurface) const {
    const QPointF shift = onSurface ? offset : QPointF();
    const auto at = [this](double value, double by) {
        return static_cast<int>(std::lround(value / kTwipsPerPixel * factor + by));
    };
    const int left = at(twips.left(), shift.x());
    const int top = at(twips.top(), shift.y());
    const int right = at(twips.left() + twips.width(), shift.x());
    const int bottom = at(twips.top() + twips.height(), shift.y());
    return QRect(left, top, right - left, bottom - top);
}

}  // namespace quorvex::client
