#pragma once
// The windows' Tahoma, sized in pixels as the layouts are (96 dots per inch:
// 8 points are 11 pixels). Where Tahoma is missing a narrow face of similar
// width takes its place, so the fixed column widths stay readable.

#include <QFont>
#include <QStringList>

// Of font families in order of preference, the first one installed, alone;
// all of them when none is. Needs a QGuiApplication. Given a list, the toolkit
// would ask the system's font rules for the substitutes of each family it
// loads, milliseconds apiece at start, and then settle on the same face.
QStringList FamigliaInstallata(const QStringList& preferite);

inline QFont Tahoma(int points, bool bold = false) {
    QFont font;
    font.setFamilies(FamigliaInstallata({"Tahoma", "DejaVu Sans Condensed", "Liberation Sans"}));
    font.setPixelSize((points * 96 + 36) / 72);
    font.setBold(bold);
    return font;
}
