#pragma once
// The drawing of the product's own pictures and of the tool-bar pictures.
// Run once, when the program is built (PreparaImmagini); the program itself
// shows the prepared pixels (ImmaginiPronte.h).

#include <QImage>

inline constexpr int IconaLato = 32;

QImage DisegnaProductPicture();
QImage DisegnaProductBadge();
// 0..ImageList2BIGCount-1; an empty image otherwise.
QImage DisegnaIcona(int index);
