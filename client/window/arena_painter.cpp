#include "client/window/arena_painter.h"

#include <QPainter>
#include <QPen>

#include <cmath>

#include "ui/twips.h"

namespace quorvex::client {
namespace {

bool Finite(const arena::Line& line) {
    return std::isfinite(line.x1) && std::isfinite(line.y1) && std::isfinite(line.x2) &&
           std::isfinite(line.y2);
}

}  // namespace

QColor ColorFromBgr(std::uint32_t bgr) {
    return QColor(static_cast<int>(bgr & 0xFF), static_cast<int>((bgr >> 8) & 0xFF),
                  static_cast<int>((bgr >> 16) & 0xFF));
}

void PaintLine(QPainter& painter, const arena::Line& line) {
    if (!line.visible || line.width <= 0 || !Finite(line)) {
        return;
    }
    QPen pen(ColorFromBgr(line.color));
    pen.setWidthF(static_cast<qreal>(line.width) * kTwipsPerPixel);
    pen.setStyle(line.style == arena::kDotted ? Qt::DotLine : Qt::SolidLine);
    pen.setCapStyle(Qt::FlatCap);
    painter.setPen(pen);
    painter.drawLine(QLineF(line.x1, line.y1, line.x2, line.y2));
}

void PaintArena(QPainter& painter, const arena::Arena& arena, const ball::Ball& ball) {
    PaintScene(painter, arena, arena.players, ball, ball.left, ball.top);
}

void PaintScene(QPainter& painter, const arena::Arena& arena,
                const std::vector<arena::Line>& paddles, const ball::Ball& ball, float ballLeft,
                float ballTop) {
    painter.save();
    painter.scale(1.0 / kTwipsPerPixel, 1.0 / kTwipsPerPixel);
    painter.setRenderHint(QPainter::Antialiasing, true);
    for (const auto* lines : {&arena.segments, &arena.barriers, &paddles}) {
        for (const auto& line : *lines) {
            PaintLine(painter, line);
        }
    }
    if (std::isfinite(ballLeft) && std::isfinite(ballTop) && std::isfinite(ball.width) &&
        std::isfinite(ball.height)) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(ColorFromBgr(kBallColor));
        painter.drawEllipse(QRectF(ballLeft, ballTop, ball.width, ball.height));
    }
    painter.restore();
}

}  // namespace quorvex::client
