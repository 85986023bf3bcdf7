#include "gui/qt/SystemRegional.h"

#include <QLocale>
#include <QString>

#include "gui/qt/QtText.h"

namespace ob::gui {
namespace {

using regional::DateOrder;
using regional::RegionalSettings;

// Bidirectional marks (U+200E, U+200F, U+061C) sit around the separators of
// some patterns; they are not separators themselves.
bool isMark(QChar ch)
{
    return ch.isSpace() || ch.category() == QChar::Other_Format;
}

// The order of day, month and year in a Qt date pattern, and the first
// character that separates two of them.
void readShortDate(const QString& pattern, RegionalSettings& rs)
{
    QString order;
    QString separator;
    bool quoted = false;
    for (int i = 0; i < pattern.size(); ++i) {
        const QChar ch = pattern.at(i);
        if (ch == QLatin1Char('\'')) {
            quoted = !quoted;
            continue;
        }
        if (quoted) {
            continue;
        }
        const QChar lower = ch.toLower();
        if (lower == QLatin1Char('d') || ch == QLatin1Char('M') || lower == QLatin1Char('y')) {
            const QChar field = lower == QLatin1Char('m') ? QLatin1Char('m') : lower;
            if (!order.contains(field)) {
                order += field;
            }
        } else if (separator.isEmpty() && !order.isEmpty() && !isMark(ch)) {
            separator = ch;
        }
    }
    if (order.startsWith(QLatin1Char('y'))) {
        rs.dateOrder = DateOrder::YMD;
    } else if (order.startsWith(QLatin1Char('d'))) {
        rs.dateOrder = DateOrder::DMY;
    } else {
        rs.dateOrder = DateOrder::MDY;
    }
    if (separator.isEmpty()) {
        separator = QStringLiteral("/");
    }
    rs.dateSeparator = fromQ(separator);

    // Windows' default short date has a four-digit year whatever the
    // platform's own pattern says; day and month keep their width.
    const bool dayPadded = pattern.contains(QStringLiteral("dd"));
    const bool monthPadded = pattern.contains(QStringLiteral("MM"));
    const std::string d = dayPadded ? "dd" : "d";
    const std::string m = monthPadded ? "MM" : "M";
    const std::string& s = rs.dateSeparator;
    switch (rs.dateOrder) {
    case DateOrder::MDY:
        rs.shortDatePattern = m + s + d + s + "yyyy";
        break;
    case DateOrder::DMY:
        rs.shortDatePattern = d + s + m + s + "yyyy";
        break;
    case DateOrder::YMD:
        rs.shortDatePattern = "yyyy" + s + m + s + d;
        break;
    }
}

std::string withoutTrailingDot(QString text)
{
    if (text.endsWith(QLatin1Char('.'))) {
        text.chop(1);
    }
    return fromQ(text);
}

} // namespace

RegionalSettings regionalFromLocale(const QLocale& locale)
{
    if (locale.language() == QLocale::C) {
        return RegionalSettings::cLocale();
    }
    RegionalSettings rs;
    readShortDate(locale.dateFormat(QLocale::ShortFormat), rs);

    // Quoted text ("HH 'h' mm") is literal: neither an AM/PM field nor a
    // separator. Without a separator of its own the pattern gets ":".
    const QString time = locale.timeFormat(QLocale::ShortFormat);
    bool twelveHour = false;
    QString timeSeparator;
    bool quoted = false;
    for (const QChar ch : time) {
        if (ch == QLatin1Char('\'')) {
            quoted = !quoted;
        } else if (quoted) {
            continue;
        } else if (ch == QLatin1Char('A') || ch == QLatin1Char('a')) {
            twelveHour = true;
        } else if (timeSeparator.isEmpty() && !ch.isLetter() && !isMark(ch)) {
            timeSeparator = ch;
        }
    }
    if (timeSeparator.isEmpty()) {
        timeSeparator = QStringLiteral(":");
    }
    rs.timeSeparator = fromQ(timeSeparator);
    const std::string& ts = rs.timeSeparator;
    rs.longTimePattern = twelveHour ? "h" + ts + "mm" + ts + "ss tt" : "HH" + ts + "mm" + ts + "ss";
    if (!locale.amText().isEmpty()) {
        rs.amDesignator = fromQ(locale.amText());
    }
    if (!locale.pmText().isEmpty()) {
        rs.pmDesignator = fromQ(locale.pmText());
    }

    rs.decimalSeparator = fromQ(locale.decimalPoint());
    rs.groupingSeparator = fromQ(locale.groupSeparator());
    rs.currencySymbol = fromQ(locale.currencySymbol());
    for (int month = 1; month <= 12; ++month) {
        const auto i = static_cast<std::size_t>(month - 1);
        rs.monthNames[i] = fromQ(locale.standaloneMonthName(month, QLocale::LongFormat));
        rs.monthAbbreviations[i] = withoutTrailingDot(locale.standaloneMonthName(month, QLocale::ShortFormat));
    }
    return rs;
}

RegionalSettings regionalFromSystemLocale()
{
    return regionalFromLocale(QLocale::system());
}

} // namespace ob::gui
