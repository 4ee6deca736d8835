#pragma once

#include <QRect>

namespace quorvex {

// Both windows are laid out in twips; on a 96-dpi screen 15 twips make one pixel.
inline constexpr int kTwipsPerPixel = 15;

inline constexpr int TwipsToPixels(double twips) {
    return static_cast<int>(twips / kTwipsPerPixel + (twips >= 0 ? 0.5 : -0.5));
}

inline QRect TwipRect(int left, int top, int width, int height) {
    return QRect(TwipsToPixels(left), TwipsToPixels(top), TwipsToPixels(width),
                 TwipsToPixels(height));
}

}  // namespace quorvex
