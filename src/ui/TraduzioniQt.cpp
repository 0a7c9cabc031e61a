#include "ui/TraduzioniQt.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace brivano {

bool CaricaTraduzioniQt(QCoreApplication& app) {
    auto* traduzione = new QTranslator(&app);
    if (!traduzione->load(QStringLiteral("qtbase_it"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete traduzione;
        return false;
    }
    return QCoreApplication::installTranslator(traduzione);
}

}  // namespace brivano
