// The regional settings read from a Qt locale: date order and separator, a
// short date with four-digit years, 12 or 24 hours, and the number separators.
#include <gtest/gtest.h>

#include <QLocale>

#include <string>

#include "gui/qt/SystemRegional.h"
#include "platform/regional/Conversions.h"

namespace ob::test {
namespace {

using regional::DateOrder;
using regional::RegionalSettings;

struct LocaleCase {
    const char* name; // as QLocale takes it; "C" for QLocale::c()
    DateOrder order;
    const char* dateSeparator;
    const char* shortDatePattern;
    bool twentyFourHours;
    const char* timeSeparator;
    const char* decimal;
    const char* grouping;
    const char* generalDate; // 3 April 2026 14:05:09 in the general date format
};

void PrintTo(const LocaleCase& c, std::ostream* os)
{
    *os << c.name;
}

QLocale localeOf(const LocaleCase& c)
{
    return std::string(c.name) == "C" ? QLocale::c() : QLocale(QString::fromLatin1(c.name));
}

class SystemRegional : public testing::TestWithParam<LocaleCase> { };

TEST_P(SystemRegional, readsTheLocalesRegionalSettings)
{
    const LocaleCase& c = GetParam();
    const RegionalSettings rs = gui::regionalFromLocale(localeOf(c));
    EXPECT_EQ(rs.dateOrder, c.order);
    EXPECT_EQ(rs.dateSeparator, c.dateSeparator);
    EXPECT_EQ(rs.shortDatePattern, c.shortDatePattern);
    EXPECT_EQ(rs.uses24HourClock(), c.twentyFourHours) << rs.longTimePattern;
    EXPECT_EQ(rs.timeSeparator, c.timeSeparator);
    EXPECT_EQ(rs.decimalSeparator, c.decimal);
    EXPECT_EQ(rs.groupingSeparator, c.grouping);
}

// What the log's time stamps look like under those settings.
TEST_P(SystemRegional, givesTheGeneralDateOfTheLog)
{
    const LocaleCase& c = GetParam();
    const RegionalSettings rs = gui::regionalFromLocale(localeOf(c));
    const regional::DateValue value = regional::makeDateTime({2026, 4, 3, 14, 5, 9});
    EXPECT_EQ(regional::formatGeneralDate(value, rs), c.generalDate);
    EXPECT_EQ(regional::parseDate(regional::formatShortDate(value, rs), rs, 2026), regional::datePart(value))
        << "a short date reads back as the same day";
}

INSTANTIATE_TEST_SUITE_P(
    Locales, SystemRegional,
    testing::Values(LocaleCase{"de_DE", DateOrder::DMY, ".", "dd.MM.yyyy", true, ":", ",", ".", "03.04.2026 14:05:09"},
                    LocaleCase{"en_US", DateOrder::MDY, "/", "M/d/yyyy", false, ":", ".", ",", "4/3/2026 2:05:09 PM"},
                    LocaleCase{"en_GB", DateOrder::DMY, "/", "dd/MM/yyyy", true, ":", ".", ",", "03/04/2026 14:05:09"},
                    LocaleCase{"C", DateOrder::MDY, "/", "M/d/yyyy", true, ":", ".", ",", "4/3/2026 14:05:09"},
                    // The time pattern "HH 'h' mm": quoted text is not a separator.
                    LocaleCase{"fr_CA", DateOrder::YMD, "-", "yyyy-MM-dd", true, ":", ",", "\xC2\xA0",
                               "2026-04-03 14:05:09"},
                    // The date pattern carries right-to-left marks around its "/".
                    LocaleCase{"ar_EG", DateOrder::DMY, "/", "d/M/yyyy", false, ":", "\xD9\xAB", "\xD9\xAC",
                               "3/4/2026 2:05:09 \xD9\x85"}),
    [](const testing::TestParamInfo<LocaleCase>& info) { return std::string(info.param.name); });

TEST(SystemRegionalTexts, amAndPmComeFromTheLocale)
{
    const RegionalSettings us = gui::regionalFromLocale(QLocale(QStringLiteral("en_US")));
    EXPECT_EQ(us.amDesignator, "AM");
    EXPECT_EQ(us.pmDesignator, "PM");
    EXPECT_EQ(us.longTimePattern, "h:mm:ss tt");
    EXPECT_EQ(gui::regionalFromLocale(QLocale(QStringLiteral("de_DE"))).longTimePattern, "HH:mm:ss");
}

TEST(SystemRegionalTexts, monthNamesComeFromTheLocale)
{
    const RegionalSettings de = gui::regionalFromLocale(QLocale(QStringLiteral("de_DE")));
    EXPECT_EQ(de.monthNames[2], "M\xC3\xA4rz");
    EXPECT_EQ(de.monthAbbreviations[9], "Okt") << "without the trailing dot";
}

} // namespace
} // namespace ob::test
