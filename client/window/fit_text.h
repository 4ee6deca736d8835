#pragma once

// The layout's label boxes were measured for a narrower font than most systems have. A label
// whose text would overrun its box, and so its neighbour, gets a smaller point size instead.

#include <QString>

class QLabel;

namespace quorvex::client {

inline constexpr double kSmallestPoints = 6.0;

// Sets `text` at the largest point size, from `points` down in quarter points to
// kSmallestPoints, at which it fits the label's width.
void FitLabelText(QLabel& label, const QString& text, double points);

}  // namespace quorvex::client
