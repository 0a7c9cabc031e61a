#pragma once
// The look the program's own windows share: a white background and Tahoma 8 pt
// (or the nearest font the system has).

#include <QWidget>

#include "ui/Fonts.h"

namespace brivano {

inline void FinestraBianca(QWidget& window) {
    window.setFont(Tahoma(8));
    QPalette white = window.palette();
    white.setColor(QPalette::Window, Qt::white);
    window.setPalette(white);
    window.setAutoFillBackground(true);
}

}  // namespace brivano
