#pragma once
// Helpers shared by the benchmarks: timing, summary statistics and Markdown
// tables. Timings are wall-clock milliseconds from the steady clock.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>
#if defined(_WIN32)
#include "platform/win32/Wide.h"
#endif
#include <iostream>
#include <numeric>
#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace ob::bench {

using SteadyClock = std::chrono::steady_clock;

inline double msSince(SteadyClock::time_point start)
{
    return std::chrono::duration<double, std::milli>(SteadyClock::now() - start).count();
}

// The pieces joined. (GCC 12 at -O3 warns falsely on "literal" + std::string
// temporaries, so the benchmarks build longer texts with this.)
inline std::string cat(std::initializer_list<std::string_view> pieces)
{
    std::string text;
    for (std::string_view p : pieces)
        text.append(p);
    return text;
}

// Milliseconds one call of `f` takes.
template <typename F>
double timeMs(F&& f)
{
    const auto start = SteadyClock::now();
    f();
    return msSince(start);
}

struct Stats {
    double median = 0;
    double min = 0;
    double max = 0;
    double total = 0;
    std::size_t count = 0;
};

inline Stats summarize(std::vector<double> samples)
{
    Stats s;
    if (samples.empty())
        return s;
    std::sort(samples.begin(), samples.end());
    const std::size_t n = samples.size();
    s.count = n;
    s.median = n % 2 == 1 ? samples[n / 2] : (samples[n / 2 - 1] + samples[n / 2]) / 2.0;
    s.min = samples.front();
    s.max = samples.back();
    s.total = std::accumulate(samples.begin(), samples.end(), 0.0);
    return s;
}

// A number with a fixed count of decimals; the C library's locale is never
// involved because the benchmarks do not change it.
inline std::string fixed(double value, int decimals = 3)
{
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
    return buffer;
}

// (a - b) / b as a percentage with a sign.
inline std::string percentOver(double a, double b)
{
    if (b <= 0)
        return "n/a";
    const double p = (a - b) / b * 100.0;
    std::string text = p >= 0 ? "+" : "";
    text.append(fixed(p, 0)).append(" %");
    return text;
}

inline std::string verdict(bool met)
{
    return met ? "met" : "NOT met";
}

// What the file system charges right now for the durable replacement of a
// small file in `folder` (write, fsync, rename, fsync of the folder): median
// of `samples`. On a shared disk this moves with the other users' load, so
// the benchmarks that write the exchange file print it beside their timings.
inline double fsyncProbeMs(const std::string& folder, int samples = 15)
{
    const std::string path = folder + "/fsync-probe.ini";
    const std::string temporary = path + ".tmp";
    const std::string content(400, 'x');
    std::vector<double> ms;
    for (int i = 0; i < samples; ++i) {
        ms.push_back(timeMs([&] {
#if defined(_WIN32)
            // What a replacement costs on Windows: write, flush, move over.
            win32::UniqueHandle file(::CreateFileW(win32::wide(temporary).c_str(), GENERIC_WRITE, 0, nullptr,
                                                   CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
            if (!file)
                return;
            DWORD n = 0;
            const bool written =
                ::WriteFile(file.get(), content.data(), static_cast<DWORD>(content.size()), &n, nullptr) != 0;
            ::FlushFileBuffers(file.get());
            file.reset();
            if (written)
                ::MoveFileExW(win32::wide(temporary).c_str(), win32::wide(path).c_str(),
                              MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
#else
            const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
            if (fd < 0)
                return;
            const bool written = ::write(fd, content.data(), content.size()) >= 0;
            ::fsync(fd);
            ::close(fd);
            if (written)
                ::rename(temporary.c_str(), path.c_str());
            const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            if (dir >= 0) {
                ::fsync(dir);
                ::close(dir);
            }
#endif
        }));
    }
    ::unlink(path.c_str());
    ::unlink(temporary.c_str());
    return summarize(std::move(ms)).median;
}

class Table {
public:
    explicit Table(std::vector<std::string> header) : m_header(std::move(header)) {}
    void add(std::vector<std::string> row) { m_rows.push_back(std::move(row)); }
    void print(std::ostream& out = std::cout) const
    {
        line(out, m_header);
        out << '|';
        for (std::size_t i = 0; i < m_header.size(); ++i)
            out << (i == 0 ? "---|" : "---:|");
        out << '\n';
        for (const auto& r : m_rows)
            line(out, r);
        out << '\n';
    }

private:
    static void line(std::ostream& out, const std::vector<std::string>& cells)
    {
        out << '|';
        for (const auto& c : cells)
            out << ' ' << c << " |";
        out << '\n';
    }
    std::vector<std::string> m_header;
    std::vector<std::vector<std::string>> m_rows;
};

inline void heading(const std::string& text)
{
    std::cout << "### " << text << "\n\n";
}

} // namespace ob::bench
