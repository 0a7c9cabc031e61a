#include "ui/Fonts.h"

#include <QFontDatabase>

QStringList FamigliaInstallata(const QStringList& preferite) {
    const QStringList installate = QFontDatabase::families();
    for (const QString& famiglia : preferite)
        if (installate.contains(famiglia, Qt::CaseInsensitive)) return {famiglia};
    return preferite;
}
