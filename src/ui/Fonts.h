#pragma once
// The windows' Tahoma, sized in pixels as the layouts are (96 dots per inch:
// 8 points are 11 pixels). Where Tahoma is missing a narrow face of similar
// width takes its place, so the fixed column widths stay readable.

#include <QFont>

inline QFont Tahoma(int points, bool bold = false) {
    QFont font;
    font.setFamilies({"Tahoma", "DejaVu Sans Condensed", "Liberation Sans"});
    font.setPixelSize((points * 96 + 36) / 72);
    font.setBold(bold);
    return font;
}
