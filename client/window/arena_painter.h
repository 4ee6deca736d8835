#pragma once

// Draws the arena's line objects and the ball on the window's drawing surface. Everything the
// state holds is in twips; the painter scales by 1/15, so a line's width in pixels of the
// natural surface grows with the window like everything else. Antialiased, so that lines and
// the ball stay sharp at any scale and device pixel ratio.

#include <QColor>

#include <QString>

#include <cstdint>
#include <vector>

#include "client/arena/arena.h"
#include "client/ball/ball_status.h"

class QPainter;

namespace quorvex::client {

inline constexpr std::uint32_t kBallColor = 0xC0C0C0;
// The own paddle, told apart by more than its colour: brighter and two pixels wider than the
// others' green of width 5.
inline constexpr std::uint32_t kOwnPaddleColor = 0x70FF70;
inline constexpr int kOwnPaddleExtraWidth = 2;

// What marks whose side is whose: the own seat (-1 for none) and every seat's player name,
// written small in the margin beside its side, the own one brighter.
struct SideMarks {
    int ownSeat = -1;
    std::vector<QString> names;
};

// A colour stored the game's way, 0x00BBGGRR (red in the low byte).
QColor ColorFromBgr(std::uint32_t bgr);

// One line object: solid or dotted (style 3), `width` pixels wide, nothing when hidden.
void PaintLine(QPainter& painter, const arena::Line& line);

// Dividers, sides and paddles in that order, then the ball over them. `painter` is in pixels
// of the drawing surface at its natural size, origin at its top left.
void PaintArena(QPainter& painter, const arena::Arena& arena, const ball::Ball& ball);

// What stays put while the ball runs: dividers, sides and the names beside them.
void PaintStill(QPainter& painter, const arena::Arena& arena, const SideMarks& marks);
// What moves, over the still parts: the paddles (the own one marked) and the ball.
void PaintMoving(QPainter& painter, const arena::Arena& arena,
                 const std::vector<arena::Line>& paddles, const ball::Ball& ball, float ballLeft,
                 float ballTop, const SideMarks& marks);

// The same with the paddles and the ball's corner where they are drawn rather than reported,
// and the sides marked as `marks` says.
void PaintScene(QPainter& painter, const arena::Arena& arena,
                const std::vector<arena::Line>& paddles, const ball::Ball& ball, float ballLeft,
                float ballTop, const SideMarks& marks = {});

}  // namespace quorvex::client
