#pragma once
// Colours arrive as 24-bit values blue * 65536 + green * 256 + red.

#include <QColor>

inline QColor ColourFromBgr(int bgr) {
    return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF);
}
