#include "client/motion/drawn_paddles.h"

#include <algorithm>
#include <cmath>

#include "client/motion/drawn_ball.h"

namespace quorvex::motion {
namespace {

bool SamePlace(const arena::Line& a, const arena::Line& b) {
    return a.x1 == b.x1 && a.y1 == b.y1 && a.x2 == b.x2 && a.y2 == b.y2;
}

bool Near(float a, float b) {
    return std::fabs(a - b) < kStillTwips;
}

bool NearPlace(const arena::Line& a, const arena::Line& b) {
    return Near(a.x1, b.x1) && Near(a.y1, b.y1) && Near(a.x2, b.x2) && Near(a.y2, b.y2);
}

void TakeLook(arena::Line& line, const arena::Line& look) {
    line.color = look.color;
    line.style = look.style;
    line.width = look.width;
    line.visible = look.visible;
}

bool Finite(const arena::Line& line) {
    return std::isfinite(line.x1) && std::isfinite(line.y1) && std::isfinite(line.x2) &&
           std::isfinite(line.y2);
}

}  // namespace

double DrawnPaddles::Progress(const Glide& glide, double nowMs) {
    return std::clamp((nowMs - glide.startMs) / kReportIntervalMs, 0.0, 1.0);
}

arena::Line DrawnPaddles::Between(const Glide& glide, double nowMs) {
    const double f = Progress(glide, nowMs);
    const auto mix = [f](float from, float to) {
        return static_cast<float>(from + (static_cast<double>(to) - from) * f);
    };
    arena::Line line = glide.to;
    line.x1 = mix(glide.from.x1, glide.to.x1);
    line.y1 = mix(glide.from.y1, glide.to.y1);
    line.x2 = mix(glide.from.x2, glide.to.x2);
    line.y2 = mix(glide.from.y2, glide.to.y2);
    return line;
}

void DrawnPaddles::Follow(const std::vector<arena::Line>& paddles, int ownSeat, double nowMs) {
    const std::size_t known = std::min(glides_.size(), paddles.size());
    glides_.resize(paddles.size());
    for (std::size_t i = 0; i < paddles.size(); ++i) {
        const arena::Line& to = paddles[i];
        Glide& glide = glides_[i];
        const bool own = ownSeat >= 0 && i == static_cast<std::size_t>(ownSeat);
        if (own || i >= known || !Finite(to) || !Finite(glide.to)) {
            glide = {to, to, nowMs};
        } else if (NearPlace(glide.to, to)) {
            // Nothing to be seen moved: the glide goes on as it was, perhaps in a new look.
            TakeLook(glide.from, to);
            TakeLook(glide.to, to);
        } else {
            glide = {Between(glide, nowMs), to, nowMs};
        }
    }
}

void DrawnPaddles::At(double nowMs, std::vector<arena::Line>& drawn) const {
    drawn.resize(glides_.size());
    for (std::size_t i = 0; i < glides_.size(); ++i) {
        drawn[i] = Between(glides_[i], nowMs);
    }
}

std::vector<arena::Line> DrawnPaddles::At(double nowMs) const {
    std::vector<arena::Line> drawn;
    At(nowMs, drawn);
    return drawn;
}

bool DrawnPaddles::Moving(double nowMs) const {
    return std::any_of(glides_.begin(), glides_.end(), [nowMs](const Glide& glide) {
        return !SamePlace(glide.from, glide.to) && Progress(glide, nowMs) < 1;
    });
}

}  // namespace quorvex::motion
