#pragma once

#include <QRect>

// Window positions and sizes are laid out in twips: 1/1440 inch, 15 to a device-independent pixel.
namespace twips {

constexpr int kPerPixel = 15;

constexpr int toPixels(int value) {
    return value / kPerPixel;
}
constexpr int fromPixels(int pixels) {
    return pixels * kPerPixel;
}

inline QRect rect(int left, int top, int width, int height) {
    return QRect(toPixels(left), toPixels(top), toPixels(width), toPixels(height));
}

} // namespace twips
