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

QPen PenFor(const arena::Line& line) {
    QPen pen(ColorFromBgr(line.color));
    pen.setWidthF(static_cast<qreal>(line.width) * kTwipsPerPixel);
    pen.setStyle(line.style == arena::kDotted ? Qt::DotLine : Qt::SolidLine);
    pen.setCapStyle(Qt::FlatCap);
    return pen;
}

bool SameLook(const arena::Line& a, const arena::Line& b) {
    return a.color == b.color && a.style == b.style && a.width == b.width;
}

// Runs of lines that look alike go to the painter at once: at 200 seats that is three calls
// instead of six hundred pen changes.
void PaintLines(QPainter& painter, const std::vector<arena::Line>& lines) {
    QVector<QLineF> run;
    const arena::Line* look = nullptr;
    const auto flush = [&] {
        if (!run.isEmpty()) {
            painter.setPen(PenFor(*look));
            painter.drawLines(run);
            run.clear();
        }
    };
    for (const auto& line : lines) {
        if (!line.visible || line.width <= 0 || !Finite(line)) {
            continue;
        }
        if (look && !SameLook(*look, line)) {
            flush();
        }
        look = &line;
        run.append(QLineF(line.x1, line.y1, line.x2, line.y2));
    }
    flush();
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
    painter.setPen(PenFor(line));
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
    // The dotted dividers are one pixel of dots: smoothing adds nothing to be seen there and
    // costs most of the frame with many seats. Sides, paddles and the ball are smoothed.
    painter.setRenderHint(QPainter::Antialiasing, false);
    PaintLines(painter, arena.segments);
    painter.setRenderHint(QPainter::Antialiasing, true);
    PaintLines(painter, arena.barriers);
    PaintLines(painter, paddles);
    if (std::isfinite(ballLeft) && std::isfinite(ballTop) && std::isfinite(ball.width) &&
        std::isfinite(ball.height)) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(ColorFromBgr(kBallColor));
        painter.drawEllipse(QRectF(ballLeft, ballTop, ball.width, ball.height));
    }
    painter.restore();
}

}  // namespace quorvex::client
