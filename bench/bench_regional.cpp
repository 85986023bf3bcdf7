// Times each regional conversion over many calls and prints a Markdown table.
// Target: every conversion below 2 microseconds per call on typical input.

#include <chrono>
#include <cstdint>
#include <iomanip>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include "platform/regional/Conversions.h"
#include "platform/regional/DateValue.h"
#include "platform/regional/RegionalSettings.h"

namespace {

using namespace ob::regional;
using Clock = std::chrono::steady_clock;

constexpr double kTargetNs = 2000.0;
constexpr auto kMinimumRun = std::chrono::milliseconds(100);

// Keeps results alive so that the calls are not optimised away.
volatile std::uint64_t g_sink = 0;

void consume(double v)
{
    g_sink = g_sink + static_cast<std::uint64_t>(v != 0.0);
}

void consume(const std::string& s)
{
    g_sink = g_sink + s.size();
}

void consume(bool b)
{
    g_sink = g_sink + (b ? 1 : 0);
}

struct Row {
    std::string name;
    double nsPerCall;
};

template <typename F>
Row timeIt(std::string name, F&& call)
{
    // Warm up, then double the batch until one run lasts long enough.
    for (int i = 0; i < 1000; ++i)
        call();
    long long calls = 1000;
    for (;;) {
        const auto start = Clock::now();
        for (long long i = 0; i < calls; ++i)
            call();
        const auto elapsed = Clock::now() - start;
        if (elapsed >= kMinimumRun) {
            const double ns = std::chrono::duration<double, std::nano>(elapsed).count();
            return {std::move(name), ns / static_cast<double>(calls)};
        }
        calls *= 2;
    }
}

} // namespace

int main()
{
    const RegionalSettings us = RegionalSettings::enUS();
    const RegionalSettings de = RegionalSettings::deDE();
    const DateValue moment = 40724.55594907407; // 6/30/2011 1:20:34 PM
    const int year = 2026;

    std::vector<Row> rows;
    rows.push_back(timeIt("parseDate en-US \"6/30/2011 01:20:34 PM\"",
                          [&] { consume(parseDate("6/30/2011 01:20:34 PM", us, year)); }));
    rows.push_back(timeIt("parseDate de-DE \"2. M\xC3\xA4rz 2026 14:05\"",
                          [&] { consume(parseDate("2. M\xC3\xA4rz 2026 14:05", de, year)); }));
    rows.push_back(timeIt("parseDate en-US \"2013-05-14 02:04:12\"",
                          [&] { consume(parseDate("2013-05-14 02:04:12", us, year)); }));
    rows.push_back(timeIt("isDate en-US \"tomorrow\"", [&] { consume(isDate("tomorrow", us, year)); }));
    rows.push_back(timeIt("isTime en-US \"2:30:45 PM\"", [&] { consume(isTime("2:30:45 PM", us, year)); }));
    rows.push_back(timeIt("parseNumber en-US \"$1,234.5\"", [&] { consume(parseNumber("$1,234.5", us)); }));
    rows.push_back(timeIt("parseNumber de-DE \"1.234,5\"", [&] { consume(parseNumber("1.234,5", de)); }));
    rows.push_back(timeIt("parseNumber en-US \"-123.456e-2\"", [&] { consume(parseNumber("-123.456e-2", us)); }));
    rows.push_back(timeIt("isNumeric en-US \"12abc\"", [&] { consume(isNumeric("12abc", us)); }));
    rows.push_back(timeIt("val \" 2 45 7.5e1 units\"", [] { consume(val(" 2 45 7.5e1 units")); }));
    rows.push_back(timeIt("val \"&HFFFF\"", [] { consume(val("&HFFFF")); }));
    rows.push_back(timeIt("toInt16 2.5", [] { consume(static_cast<double>(toInt16(2.5))); }));
    rows.push_back(timeIt("toInt32 en-US \"(3.5)\"", [&] { consume(static_cast<double>(toInt32("(3.5)", us))); }));
    rows.push_back(timeIt("formatGeneralNumber pi", [&] { consume(formatGeneralNumber(3.141592653589793, us)); }));
    rows.push_back(timeIt("formatGeneralNumber 5.6789E-12", [&] { consume(formatGeneralNumber(5.6789E-12, us)); }));
    rows.push_back(timeIt("formatFixed 1234.5678", [&] { consume(formatFixed(1234.5678, us)); }));
    rows.push_back(timeIt("formatPointZero de-DE", [&] { consume(formatPointZero(de)); }));
    rows.push_back(timeIt("formatInteger 32001", [] { consume(formatInteger(32001)); }));
    rows.push_back(timeIt("formatShortDate en-US", [&] { consume(formatShortDate(moment, us)); }));
    rows.push_back(timeIt("formatLongTime en-US", [&] { consume(formatLongTime(moment, us)); }));
    rows.push_back(timeIt("formatGeneralDate de-DE", [&] { consume(formatGeneralDate(moment, de)); }));
    rows.push_back(
        timeIt("formatTextLongTime en-US \"2:30:45 PM\"", [&] { consume(formatTextLongTime("2:30:45 PM", us, year)); }));
    rows.push_back(timeIt("formatIsoDate", [&] { consume(formatIsoDate(moment)); }));
    rows.push_back(timeIt("formatHms", [&] { consume(formatHms(moment)); }));
    rows.push_back(timeIt("formatHm", [&] { consume(formatHm(moment)); }));
    rows.push_back(timeIt("toCivil", [&] { consume(static_cast<double>(toCivil(moment).second)); }));
    rows.push_back(timeIt("makeDateTime", [] { consume(makeDateTime({2011, 6, 30, 13, 20, 34})); }));
    rows.push_back(timeIt("addDays 7", [&] { consume(addDays(moment, 7)); }));
    rows.push_back(timeIt("addMonths 1", [&] { consume(addMonths(moment, 1)); }));
    rows.push_back(timeIt("secondsSince1970",
                          [] { consume(static_cast<double>(secondsSince1970({2011, 6, 30, 13, 20, 34}))); }));

    std::cout << "| conversion | calls/s (millions) | ns/call |\n";
    std::cout << "|---|---:|---:|\n";
    std::cout << std::fixed;
    double slowest = 0.0;
    std::string slowestName;
    for (const Row& r : rows) {
        std::cout << "| " << r.name << " | " << std::setprecision(2) << 1000.0 / r.nsPerCall << " | "
                  << std::setprecision(1) << r.nsPerCall << " |\n";
        if (r.nsPerCall > slowest) {
            slowest = r.nsPerCall;
            slowestName = r.name;
        }
    }
    std::cout << "\nSlowest: " << slowestName << ", " << std::setprecision(1) << slowest << " ns/call (target "
              << kTargetNs << " ns): " << (slowest < kTargetNs ? "met" : "NOT met") << '\n';
    return 0;
}
