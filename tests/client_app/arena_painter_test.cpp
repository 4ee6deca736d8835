// What the arena painter puts on the surface: colours the game's way round, pixel widths,
// dotted dividers, hidden lines, and the ball.

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "client/window/arena_painter.h"

namespace quorvex::client {
namespace {

struct Colours {
    std::uint32_t bgr;
    QColor expected;
};

TEST(ColorFromBgr, RedSitsInTheLowByte) {
    const Colours cases[] = {
        {0x0000FF, QColor(255, 0, 0)},        {0xFF0000, QColor(0, 0, 255)},
        {0x00C000, QColor(0, 192, 0)},        {0xC0C0C0, QColor(192, 192, 192)},
        {0x123456, QColor(0x56, 0x34, 0x12)}, {0xFF123456, QColor(0x56, 0x34, 0x12)},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ColorFromBgr(c.bgr), c.expected) << std::hex << c.bgr;
    }
}

class Painted : public ::testing::Test {
  protected:
    // Paints `arena` and `ball` on a black surface of the window's size.
    QImage Paint(const arena::Arena& arena, const ball::Ball& ball = OffSurface()) {
        QImage image(690, 640, QImage::Format_RGB32);
        image.fill(Qt::black);
        QPainter painter(&image);
        PaintArena(painter, arena, ball);
        return image;
    }

    static ball::Ball OffSurface() {
        ball::Ball ball;
        ball.left = -10000;
        ball.top = -10000;
        return ball;
    }

    // A horizontal line at pixel row 100 from pixel column 10 to 300.
    static arena::Line Level(std::uint32_t colour, int style, int width) {
        return arena::Line{150, 1500, 4500, 1500, colour, style, width, true};
    }

    static int RowsOfColour(const QImage& image, int column, const QColor& colour) {
        int rows = 0;
        for (int y = 0; y < image.height(); ++y) {
            rows += image.pixelColor(column, y) == colour;
        }
        return rows;
    }
};

TEST_F(Painted, LinesKeepTheirColourAndPixelWidth) {
    struct Case {
        int width;
        int rows;
    };
    for (const Case c : {Case{1, 1}, Case{3, 3}, Case{5, 5}}) {
        arena::Arena arena;
        arena.players.push_back(Level(0x0000FF, arena::kSolid, c.width));
        const QImage image = Paint(arena);
        EXPECT_EQ(RowsOfColour(image, 150, QColor(255, 0, 0)), c.rows) << "width " << c.width;
        EXPECT_EQ(image.pixelColor(150, 100), QColor(255, 0, 0));
    }
}

TEST_F(Painted, DottedDividersHaveGapsAndSolidSidesNone) {
    arena::Arena arena;
    arena.segments.push_back(Level(arena::kWhite, arena::kDotted, 1));
    arena.barriers.push_back(
        arena::Line{150, 3000, 4500, 3000, arena::kWhite, arena::kSolid, 1, true});
    const QImage image = Paint(arena);
    int dottedLit = 0;
    int solidLit = 0;
    for (int x = 20; x < 290; ++x) {
        dottedLit += image.pixelColor(x, 100) == Qt::white;
        solidLit += image.pixelColor(x, 200) == Qt::white;
    }
    EXPECT_GT(dottedLit, 50);
    EXPECT_LT(dottedLit, 200);
    EXPECT_EQ(solidLit, 270);
}

TEST_F(Painted, HiddenAndUnpaintableLinesLeaveTheSurfaceBlack) {
    arena::Arena arena;
    auto hidden = Level(arena::kWhite, arena::kSolid, 5);
    hidden.visible = false;
    auto infinite = Level(arena::kWhite, arena::kSolid, 5);
    infinite.x2 = std::numeric_limits<float>::infinity();
    auto notANumber = Level(arena::kWhite, arena::kSolid, 5);
    notANumber.y1 = std::numeric_limits<float>::quiet_NaN();
    arena.barriers = {hidden, infinite, notANumber};
    ball::Ball ball = OffSurface();
    ball.top = std::numeric_limits<float>::quiet_NaN();
    const QImage image = Paint(arena, ball);
    QImage black(image.size(), image.format());
    black.fill(Qt::black);
    EXPECT_EQ(image, black);
}

TEST_F(Painted, BallIsALightGreyCircleFromItsUpperLeftCorner) {
    ball::Ball ball;
    ball.left = 1500;  // pixel 100
    ball.top = 3000;   // pixel 200; 255 twips = 17 pixels across
    const QImage image = Paint(arena::Arena{}, ball);
    EXPECT_EQ(image.pixelColor(108, 208), QColor(192, 192, 192));
    EXPECT_EQ(image.pixelColor(101, 201), Qt::black) << "a circle, not a square";
    EXPECT_EQ(image.pixelColor(98, 208), Qt::black);
    EXPECT_EQ(image.pixelColor(119, 208), Qt::black);
}

}  // namespace
}  // namespace quorvex::client
