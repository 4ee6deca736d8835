// What the arena painter puts on the surface: the game's colours the right way round, nothing
// for hidden or unpaintable lines, and the ball from its upper-left corner.

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <limits>

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

}  // namespace
}  // namespace quorvex::client
