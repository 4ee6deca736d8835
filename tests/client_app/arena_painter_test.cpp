// What the arena painter puts on the surface: the game's colours the right way round, nothing
// for hidden or unpaintable lines, and the ball from its upper-left corner.

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <functional>
#include <limits>

#include "client/window/arena_backdrop.h"
#include "client/window/arena_painter.h"

namespace quorvex::client {
namespace {

// Colours are stored 0x00BBGGRR: red sits in the low byte, and the high byte is no colour.
TEST(ColorFromBgr, RedSitsInTheLowByte) {
    EXPECT_EQ(ColorFromBgr(0x0000FF), QColor(255, 0, 0));
    EXPECT_EQ(ColorFromBgr(0x00C000), QColor(0, 192, 0));
    EXPECT_EQ(ColorFromBgr(0xFF123456), QColor(0x56, 0x34, 0x12));
}

// Paints on a black surface of the window's size.
QImage Paint(const arena::Arena& arena, const ball::Ball& ball) {
    QImage image(690, 640, QImage::Format_RGB32);
    image.fill(Qt::black);
    QPainter painter(&image);
    PaintArena(painter, arena, ball);
    return image;
}

// A hidden line (an empty seat's paddle) must not show, and lines or a ball at infinity or
// NaN must paint nothing rather than streaks across the surface.
TEST(PaintArena, HiddenAndUnpaintableThingsLeaveTheSurfaceBlack) {
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    arena::Arena arena;
    arena.barriers = {{150, 1500, 4500, 1500, arena::kWhite, arena::kSolid, 5, false},
                      {150, 1500, inf, 1500, arena::kWhite, arena::kSolid, 5, true},
                      {150, nan, 4500, 1500, arena::kWhite, arena::kSolid, 5, true}};
    const ball::Ball ball{.top = nan};
    QImage black(690, 640, QImage::Format_RGB32);
    black.fill(Qt::black);
    EXPECT_EQ(Paint(arena, ball), black);
}

// The ball is a light grey circle whose bounding box starts at (left, top).
TEST(PaintArena, BallIsACircleFromItsUpperLeftCorner) {
    // Pixel (100, 200); 255 twips = 17 pixels across.
    const QImage image = Paint(arena::Arena{}, ball::Ball{.left = 1500, .top = 3000});
    EXPECT_EQ(image.pixelColor(108, 208), QColor(192, 192, 192));
    EXPECT_EQ(image.pixelColor(101, 201), Qt::black) << "a circle, not a square";
    EXPECT_EQ(image.pixelColor(98, 208), Qt::black);
    EXPECT_EQ(image.pixelColor(119, 208), Qt::black);
}

// Pixels that are mostly green (names and paddles), and of those the bright ones (the own).
struct Greens {
    int green = 0;
    int bright = 0;
};
Greens GreensIn(const QImage& image, const QRect& box) {
    Greens g;
    for (int y = box.top(); y <= box.bottom(); ++y) {
        for (int x = box.left(); x <= box.right(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.green() > 60 && c.green() > c.blue() + 60) {
                ++g.green;
                g.bright += c.red() > 80;
            }
        }
    }
    return g;
}

// Four seats, the own one 1 (the upper left side): its paddle is brighter and wider than the
// green of the others, and every side has its player's name just outside it, the own one in
// bright letters; without marks none of that is there.
TEST(PaintScene, TheOwnSideIsMarkedByMoreThanColour) {
    arena::Arena arena = arena::MakeInitialArena();
    arena::SetUpArena(arena, 4);
    for (int seat = 0; seat < 4; ++seat) {
        const auto& side = arena.barriers[static_cast<std::size_t>(seat)];
        // Away from the middle, where the name goes: the paddle runs towards larger x.
        const float t = side.x2 > side.x1 ? 0.1f : 0.9f;
        arena::MovePaddle(arena, seat, side.x1 + (side.x2 - side.x1) * t,
                          side.y1 + (side.y2 - side.y1) * t);
    }
    const ball::Ball ball{.left = -1000, .top = -1000};
    const SideMarks marks{1, {"Ann", "Bob", "Cy", "Dee"}};
    const auto paint = [&](const SideMarks& with) {
        QImage image(690, 640, QImage::Format_RGB32);
        image.fill(Qt::black);
        QPainter painter(&image);
        PaintScene(painter, arena, arena.players, ball, ball.left, ball.top, with);
        return image;
    };
    const QImage marked = paint(marks);
    const QImage plain = paint({});
    if (const char* keep = std::getenv("QUORVEX_KEEP_IMAGE")) {
        marked.save(QString::fromUtf8(keep));
    }
    const auto around = [](const arena::Line& l, double out) {
        const double mx = (l.x1 + l.x2) / 30, my = (l.y1 + l.y2) / 30;
        const double dx = mx - 349, dy = my - 250, d = std::hypot(dx, dy);
        return QRect(static_cast<int>(mx + dx / d * out) - 25,
                     static_cast<int>(my + dy / d * out) - 12, 50, 24);
    };
    int ownPaddle = 0, otherPaddle = 0;
    for (std::size_t seat = 0; seat < 4; ++seat) {
        const auto& paddle = arena.players[seat];
        const QRect box =
            QRectF(QPointF(paddle.x1 / 15, paddle.y1 / 15), QPointF(paddle.x2 / 15, paddle.y2 / 15))
                .normalized()
                .toAlignedRect();
        const Greens g = GreensIn(marked, box.adjusted(-6, -6, 6, 6));
        (seat == 1 ? ownPaddle : otherPaddle) += seat == 1 ? g.green : g.green / 3;
        EXPECT_EQ(seat == 1, g.bright > 0) << seat;
        const Greens name = GreensIn(marked, around(arena.barriers[seat], 14));
        EXPECT_GT(name.green, 10) << "a name beside side " << seat;
        EXPECT_EQ(seat == 1, name.bright > 10) << seat;
        EXPECT_EQ(GreensIn(plain, around(arena.barriers[seat], 14)).green, 0) << seat;
    }
    EXPECT_GT(ownPaddle, otherPaddle * 6 / 5) << "the own paddle is wider";
}

// The still parts are drawn once and reused for every frame; anything they show that changes
// draws them again, and nothing else does.
TEST(ArenaBackdrop, IsDrawnAgainExactlyWhenSomethingItShowsChanges) {
    struct Inputs {
        QSize size{690, 640};
        double ratio = 1;
        SurfaceScale scale;
        arena::Arena arena = arena::MakeInitialArena();
        SideMarks marks{0, {"Ann", "Bob", "Cy"}};
        QColor background = Qt::black;
    };
    const auto base = [] {
        Inputs in;
        arena::SetUpArena(in.arena, 3);
        return in;
    };
    const struct {
        const char* change;
        std::function<void(Inputs&)> apply;
        bool drawnAgain;
    } cases[] = {
        {"nothing", [](Inputs&) {}, false},
        {"a paddle moved", [](Inputs& in) { arena::MovePaddle(in.arena, 0, 3000, 2000); }, false},
        {"the window's size", [](Inputs& in) { in.size.rwidth() += 1; }, true},
        {"the pixel ratio", [](Inputs& in) { in.ratio = 2; }, true},
        {"the scale", [](Inputs& in) { in.scale.factor = 1.5; }, true},
        {"the offset", [](Inputs& in) { in.scale.offset.rx() += 1; }, true},
        {"the seat count", [](Inputs& in) { arena::SetUpArena(in.arena, 4); }, true},
        {"a side", [](Inputs& in) { in.arena.barriers[1].visible = false; }, true},
        {"a divider", [](Inputs& in) { in.arena.segments[2].color = 0xFF; }, true},
        {"a name", [](Inputs& in) { in.marks.names[2] = "Dee"; }, true},
        {"the own seat", [](Inputs& in) { in.marks.ownSeat = 1; }, true},
        {"the background", [](Inputs& in) { in.background = Qt::darkGray; }, true},
    };
    for (const auto& c : cases) {
        ArenaBackdrop backdrop;
        Inputs in = base();
        const auto draw = [&] {
            return backdrop.For(in.size, in.ratio, in.scale, in.arena, in.marks, in.background)
                .cacheKey();
        };
        const qint64 first = draw();
        EXPECT_EQ(draw(), first) << "asked again unchanged";
        c.apply(in);
        EXPECT_EQ(draw() != first, c.drawnAgain) << c.change;
    }
}

}  // namespace
}  // namespace quorvex::client
