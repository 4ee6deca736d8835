#include "client/window/arena_painter.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPen>

#include <algorithm>
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

// Names beside the sides: small, and dim but for the own one. Past this many seats the sides
// are too short to carry a name.
constexpr int kMostNamedSides = 24;
constexpr double kNamePixels = 10;    // text height at the natural size
constexpr double kNameGapPixels = 5;  // between the side (and its paddle) and the name
const QColor kNameColor(0, 150, 0);
const QColor kOwnNameColor(150, 255, 150);

// Each seat's name just outside the middle of its side, kept on the surface above Line1.
// `painter` is in pixels of the natural surface.
void PaintNames(QPainter& painter, const arena::Arena& arena, const SideMarks& marks) {
    const std::size_t named = std::min(marks.names.size(), arena.barriers.size());
    if (named == 0 || named > kMostNamedSides) {
        return;
    }
    QFont font = painter.font();
    font.setPixelSize(static_cast<int>(kNamePixels));
    const QFontMetricsF metrics(font);
    const double centreX = arena::kArenaCenterX / kTwipsPerPixel;
    const double centreY = arena::kArenaCenterY / kTwipsPerPixel;
    const QRectF surface(0, 0, 10350.0 / kTwipsPerPixel, 7560.0 / kTwipsPerPixel);
    for (std::size_t seat = 0; seat < named; ++seat) {
        const arena::Line& side = arena.barriers[seat];
        if (!Finite(side) || marks.names[seat].isEmpty()) {
            continue;
        }
        const double midX = (side.x1 + side.x2) / 2 / kTwipsPerPixel;
        const double midY = (side.y1 + side.y2) / 2 / kTwipsPerPixel;
        const double outX = midX - centreX;
        const double outY = midY - centreY;
        const double away = std::hypot(outX, outY);
        const double length = std::hypot(side.x2 - side.x1, side.y2 - side.y1) / kTwipsPerPixel;
        if (away <= 0) {
            continue;
        }
        // Nowhere near the part being repainted (a frame repaints only around the ball and
        // the paddles): not even laid out.
        const double widest = std::max(20.0, length * 0.8) + 2;
        const double most = widest + metrics.height() + kNameGapPixels;
        if (painter.hasClipping() && !painter.clipBoundingRect().intersects(
                                         QRectF(midX - most, midY - most, 2 * most, 2 * most))) {
            continue;
        }
        const bool own = static_cast<int>(seat) == marks.ownSeat;
        font.setBold(own);
        const QFontMetricsF fitted(font);
        const QString text =
            fitted.elidedText(marks.names[seat], Qt::ElideRight, std::max(20.0, length * 0.8));
        const double w = fitted.horizontalAdvance(text) + 2;
        const double h = metrics.height();
        const double nx = outX / away;
        const double ny = outY / away;
        // Far enough out along the side's outward normal that no corner of the box touches it.
        const double reach = std::fabs(nx) * w / 2 + std::fabs(ny) * h / 2 + kNameGapPixels;
        QRectF box(midX + nx * reach - w / 2, midY + ny * reach - h / 2, w, h);
        box.moveLeft(std::clamp(box.left(), surface.left(), surface.right() - w));
        box.moveTop(std::clamp(box.top(), surface.top(), surface.bottom() - h));
        painter.setFont(font);
        painter.setPen(own ? kOwnNameColor : kNameColor);
        painter.drawText(box, Qt::AlignCenter, text);
    }
}

bool SmoothSides(const arena::Arena& arena) {
    return arena.barriers.size() <= static_cast<std::size_t>(kMostNamedSides);
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

void PaintStill(QPainter& painter, const arena::Arena& arena, const SideMarks& marks) {
    painter.save();
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    PaintNames(painter, arena, marks);
    painter.scale(1.0 / kTwipsPerPixel, 1.0 / kTwipsPerPixel);
    // The dotted dividers are one pixel of dots: smoothing adds nothing to be seen there and
    // costs most of the frame with many seats. Sides and paddles are smoothed while they are
    // long enough to carry a name; shorter, smoothing shows no more than it does on the dots.
    painter.setRenderHint(QPainter::Antialiasing, false);
    PaintLines(painter, arena.segments);
    painter.setRenderHint(QPainter::Antialiasing, SmoothSides(arena));
    PaintLines(painter, arena.barriers);
    painter.restore();
}

void PaintMoving(QPainter& painter, const arena::Arena& arena,
                 const std::vector<arena::Line>& paddles, const ball::Ball& ball, float ballLeft,
                 float ballTop, const SideMarks& marks) {
    painter.save();
    painter.scale(1.0 / kTwipsPerPixel, 1.0 / kTwipsPerPixel);
    painter.setRenderHint(QPainter::Antialiasing, SmoothSides(arena));
    PaintLines(painter, paddles);
    const auto own = static_cast<std::size_t>(marks.ownSeat);
    if (marks.ownSeat >= 0 && own < paddles.size()) {
        arena::Line mark = paddles[own];
        mark.color = kOwnPaddleColor;
        mark.width += kOwnPaddleExtraWidth;
        PaintLine(painter, mark);
    }
    if (std::isfinite(ballLeft) && std::isfinite(ballTop) && std::isfinite(ball.width) &&
        std::isfinite(ball.height)) {
        painter.setRenderHint(QPainter::Antialiasing, true);
        painter.setPen(Qt::NoPen);
        painter.setBrush(ColorFromBgr(kBallColor));
        painter.drawEllipse(QRectF(ballLeft, ballTop, ball.width, ball.height));
    }
    painter.restore();
}

void PaintScene(QPainter& painter, const arena::Arena& arena,
                const std::vector<arena::Line>& paddles, const ball::Ball& ball, float ballLeft,
                float ballTop, const SideMarks& marks) {
    PaintStill(painter, arena, marks);
    PaintMoving(painter, arena, paddles, ball, ballLeft, ballTop, marks);
}

}  // namespace quorvex::client
