// The regional settings read from a Qt locale, and the log's time stamps under them.
#include <gtest/gtest.h>

#include <QLocale>

#include "gui/qt/SystemRegional.h"
#include "platform/regional/Conversions.h"

namespace ob::test {
namespace {

TEST(SystemRegional, readsTheLocalesRegionalSettings)
{
    using regional::DateOrder;
    const struct {
        const char *name, *shortDate; // name "C": QLocale::c()
        DateOrder order;
        const char *decimal, *grouping, *generalDate; // of 3 April 2026 14:05:09
    } cases[] = {{"de_DE", "dd.MM.yyyy", DateOrder::DMY, ",", ".", "03.04.2026 14:05:09"},
                 {"en_US", "M/d/yyyy", DateOrder::MDY, ".", ",", "4/3/2026 2:05:09 PM"},
                 {"C", "M/d/yyyy", DateOrder::MDY, ".", ",", "4/3/2026 14:05:09"},
                 // Quoted text in "HH 'h' mm" is no separator; right-to-left marks sit around ar_EG's "/".
                 {"fr_CA", "yyyy-MM-dd", DateOrder::YMD, ",", "\xC2\xA0", "2026-04-03 14:05:09"},
                 {"ar_EG", "d/M/yyyy", DateOrder::DMY, "\xD9\xAB", "\xD9\xAC", "3/4/2026 2:05:09 \xD9\x85"}};
    const regional::DateValue value = regional::makeDateTime({2026, 4, 3, 14, 5, 9});
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto rs = gui::regionalFromLocale(std::string(c.name) == "C" ? QLocale::c() : QLocale(c.name));
        EXPECT_EQ(rs.dateOrder, c.order);
        EXPECT_EQ(rs.shortDatePattern, c.shortDate);
        EXPECT_EQ(rs.decimalSeparator + " " + rs.groupingSeparator, std::string(c.decimal) + " " + c.grouping);
        EXPECT_EQ(regional::formatGeneralDate(value, rs), c.generalDate);
    }
    const auto de = gui::regionalFromLocale(QLocale("de_DE"));
    EXPECT_EQ(de.monthNames[2] + " " + de.monthAbbreviations[9], "M\xC3\xA4rz Okt") << "no trailing dot";
}

} // namespace
} // namespace ob::test
