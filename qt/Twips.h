#pragma once
// Conversion between the layout's twips and the screen's pixels.

#include "app/WindowLayout.h"

#include <QLine>
#include <QRect>
#include <algorithm>
#include <cmath>

namespace fenlark::gui {

inline int TwipsToPixels(double twips) {
    const double pixels = std::clamp(twips / TwipsPerPixel, -1.0e6, 1.0e6);
    return static_cast<int>(std::lround(pixels));
}

inline QRect TwipsToPixels(const LayoutRect& rect) {
    return QRect(TwipsToPixels(rect.left), TwipsToPixels(rect.top), TwipsToPixels(rect.width),
                 TwipsToPixels(rect.height));
}

inline QLine TwipsToPixels(const LayoutLine& line) {
    return QLine(TwipsToPixels(line.x1), TwipsToPixels(line.y1), TwipsToPixels(line.x2),
                 TwipsToPixels(line.y2));
}

inline double PixelsToTwips(int pixels) {
    return static_cast<double>(pixels) * TwipsPerPixel;
}

} // namespace fenlark::gui
