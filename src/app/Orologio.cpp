#include "app/Orologio.h"

namespace brivano {

QString FormatoOraLunga(const QLocale& locale) {
    const QString format = locale.timeFormat(QLocale::LongFormat);
    QString out;
    for (qsizetype i = 0; i < format.size();) {
        const QChar c = format[i];
        if (c == QLatin1Char('\'')) {
            // Quoted text (with '' for a quote) is copied as it is.
            qsizetype j = i + 1;
            while (j < format.size()) {
                if (format[j] == QLatin1Char('\'')) {
                    if (j + 1 < format.size() && format[j + 1] == QLatin1Char('\'')) {
                        j += 2;
                        continue;
                    }
                    break;
                }
                ++j;
            }
            out += format.mid(i, j + 1 - i);
            i = j + 1;
            continue;
        }
        qsizetype j = i;
        while (j < format.size() && format[j] == c) ++j;
        const qsizetype run = j - i;
        if (c == QLatin1Char('t')) {
            // The zone name and the space that set it apart.
            while (out.endsWith(QLatin1Char(' '))) out.chop(1);
            while (j < format.size() && format[j] == QLatin1Char(' ') && out.isEmpty()) ++j;
        } else if ((c == QLatin1Char('m') || c == QLatin1Char('s')) && run == 1) {
            out += QString(2, c);
        } else {
            out += format.mid(i, run);
        }
        i = j;
    }
    return out.trimmed();
}

QString TestoOrologio(const QLocale& locale, const QTime& ora) {
    return locale.toString(ora, FormatoOraLunga(locale));
}

}  // namespace brivano
