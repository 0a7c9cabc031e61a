#pragma once
// The text of the main window's clock: the time of day in the region's long
// time format, without the time-zone name that format may carry.

#include <QLocale>
#include <QString>
#include <QTime>

namespace brivano {

// The region's long time format with its time-zone fields dropped and minutes
// and seconds always of two digits.
QString FormatoOraLunga(const QLocale& locale);

QString TestoOrologio(const QLocale& locale, const QTime& ora);

}  // namespace brivano
