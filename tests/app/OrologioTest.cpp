// The clock's text in several regions: hour, minutes and seconds, AM/PM where
// the region uses it, never a time-zone name.
#include <gtest/gtest.h>

#include "app/Orologio.h"

namespace {

TEST(TestoOrologio, RegionalLongTimeWithoutZone) {
    struct Case {
        const char* locale;
        QString expected;
    };
    const Case cases[] = {
        {"C", "15:04:05"},
        {"it_IT", "15:04:05"},
        {"de_DE", "15:04:05"},
        {"en_US", "3:04:05 PM"},
        {"fi_FI", "15.04.05"},
        {"zh_CN", "15:04:05"},                               // zone in front
        {"bg_BG", QString::fromUtf8("15:04:05 ч.")},         // quoted text kept
        {"ko_KR", QString::fromUtf8("오후 3시 04분 05초")},  // minutes and seconds of two digits
    };
    for (const Case& c : cases) {
        const QLocale locale(QString::fromLatin1(c.locale));
        EXPECT_EQ(brivano::TestoOrologio(locale, QTime(15, 4, 5)), c.expected) << c.locale;
        EXPECT_FALSE(brivano::FormatoOraLunga(locale).contains(QLatin1Char('t'))) << c.locale;
    }
}

TEST(TestoOrologio, MorningInATwelveHourRegion) {
    EXPECT_EQ(brivano::TestoOrologio(QLocale("en_US"), QTime(9, 0, 7)), "9:00:07 AM");
}

}  // namespace
