#pragma once
// The product's own pictures, drawn by our code when the program is built: the large picture of the
// main and about windows, and the small badge of the about window.

#include <QPixmap>

inline constexpr int ProductPictureWidth = 412;
inline constexpr int ProductPictureHeight = 187;
inline constexpr int ProductBadgeWidth = 131;
inline constexpr int ProductBadgeHeight = 44;

QPixmap ProductPicture();
QPixmap ProductBadge();
