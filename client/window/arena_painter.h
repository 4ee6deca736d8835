#pragma once

// Draws the arena's line objects and the ball on the window's drawing surface. Everything the
// state holds is in twips; the painter scales by 1/15 and keeps line widths in pixels.

#include <QColor>

#include <cstdint>

#include "client/arena/arena.h"
#include "client/ball/ball_status.h"

class QPainter;

namespace quorvex::client {

inline constexpr std::uint32_t kBallColor = 0xC0C0C0;

// A colour stored the game's way, 0x00BBGGRR (red in the low byte).
QColor ColorFromBgr(std::uint32_t bgr);

// One line object: solid or dotted (style 3), `width` pixels wide, nothing when hidden.
void PaintLine(QPainter& painter, const arena::Line& line);

// Dividers, sides and paddles in that order, then the ball over them. `painter` is in pixels
// of the drawing surface, origin at its top left.
void PaintArena(QPainter& painter, const arena::Arena& arena, const ball::Ball& ball);

}  // namespace quorvex::client
