#include "context/LogHistory.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <system_error>
#include <vector>

#include "context/ExchangeKeys.h"
#include "platform/ini/IniFile.h"
#include "platform/regional/Conversions.h"

namespace ob::loghistory {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kPrefix = "OB32PYII-";
constexpr std::string_view kSuffix = ".txt";
constexpr std::size_t kStampLength = 19; // 2026-12-06T14-03-27

// Paths are UTF-8 on every platform.
fs::path pathOf(const std::string& utf8)
{
    return fs::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string utf8Of(const fs::path& path)
{
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

std::string decimal(int n)
{
    char buffer[16];
    return std::string(buffer, std::to_chars(buffer, buffer + sizeof buffer, n).ptr);
}

std::string twoDigits(int n)
{
    return std::string(1, static_cast<char>('0' + n / 10 % 10)) + static_cast<char>('0' + n % 10);
}

// The order of a kept log's name: its time stamp, then its sequence number;
// nullopt for any other file.
std::optional<std::pair<std::string, long>> orderOf(const std::string& name)
{
    if (name.size() < kPrefix.size() + kStampLength + kSuffix.size() || name.compare(0, kPrefix.size(), kPrefix) != 0 ||
        name.compare(name.size() - kSuffix.size(), kSuffix.size(), kSuffix) != 0) {
        return std::nullopt;
    }
    const std::string stamp = name.substr(kPrefix.size(), kStampLength);
    const std::string rest = name.substr(kPrefix.size() + kStampLength,
                                         name.size() - kPrefix.size() - kStampLength - kSuffix.size());
    for (std::size_t i = 0; i < stamp.size(); ++i) {
        const bool separator = i == 4 || i == 7 || i == 10 || i == 13 || i == 16;
        const char expected = i == 10 ? 'T' : '-';
        if (separator ? stamp[i] != expected : (stamp[i] < '0' || stamp[i] > '9')) {
            return std::nullopt;
        }
    }
    long sequence = 1;
    if (!rest.empty()) {
        const auto parsed = std::from_chars(rest.data() + 1, rest.data() + rest.size(), sequence);
        if (rest[0] != '-' || parsed.ec != std::errc() || parsed.ptr != rest.data() + rest.size()) {
            return std::nullopt;
        }
    }
    return std::make_pair(stamp, sequence);
}

std::string reason(const std::error_code& error)
{
    return error.message();
}

} // namespace

int keepSetting(const std::string& exchangePath)
{
    try {
        IniFile exchange;
        exchange.setFilePath(exchangePath);
        const std::string text = exchange.read(keys::General, keys::KeepLogs).value_or("");
        int keep = -1;
        const auto parsed = std::from_chars(text.data(), text.data() + text.size(), keep);
        if (!text.empty() && parsed.ec == std::errc() && parsed.ptr == text.data() + text.size() && keep >= 0) {
            return keep;
        }
    } catch (...) {
    }
    return kDefaultKeep;
}

std::optional<regional::CivilDateTime> startOf(const std::string& logPath, const regional::RegionalSettings& regional,
                                               int currentYear)
{
    std::ifstream file(pathOf(logPath), std::ios::binary);
    if (!file) {
        return std::nullopt;
    }
    std::string first;
    std::getline(file, first);
    if (const auto stamp = regional::tryParseDate(first.substr(0, first.find('\t')), regional, currentYear)) {
        return regional::toCivil(*stamp);
    }
    std::error_code error;
    const auto written = fs::last_write_time(pathOf(logPath), error);
    if (error) {
        return std::nullopt;
    }
    const std::time_t seconds =
        std::chrono::system_clock::to_time_t(std::chrono::time_point_cast<std::chrono::system_clock::duration>(std::chrono::file_clock::to_sys(written)));
    const std::tm* local = std::localtime(&seconds);
    if (local == nullptr) {
        return std::nullopt;
    }
    return regional::CivilDateTime{local->tm_year + 1900, local->tm_mon + 1, local->tm_mday,
                                   local->tm_hour,        local->tm_min,     local->tm_sec};
}

std::string nameFor(const regional::CivilDateTime& started, int sequence)
{
    std::string name = std::string(kPrefix) + decimal(started.year) + "-" + twoDigits(started.month) + "-" +
                       twoDigits(started.day) + "T" + twoDigits(started.hour) + "-" + twoDigits(started.minute) + "-" +
                       twoDigits(started.second);
    if (sequence > 1) {
        name += "-" + decimal(sequence);
    }
    return name + std::string(kSuffix);
}

std::string keepPrevious(const std::string& logPath, const std::string& folder, int keep,
                         const regional::RegionalSettings& regional, const regional::CivilDateTime& now)
{
    try {
        std::error_code error;
        const fs::path history = pathOf(folder);
        if (keep > 0 && fs::exists(pathOf(logPath), error)) {
            const auto started = startOf(logPath, regional, now.year);
            if (!started) {
                return logPath + " cannot be read";
            }
            fs::create_directories(history, error);
            if (error) {
                return folder + " cannot be created (" + reason(error) + ")";
            }
            // A second run within the same second must not overwrite the first.
            int sequence = 1;
            while (fs::exists(history / pathOf(nameFor(*started, sequence)), error)) {
                ++sequence;
            }
            const fs::path copy = history / pathOf(nameFor(*started, sequence));
            if (!fs::copy_file(pathOf(logPath), copy, fs::copy_options::none, error)) {
                return "the previous log cannot be copied to " + utf8Of(copy) + " (" + reason(error) + ")";
            }
        }
        if (!fs::is_directory(history, error)) {
            return {};
        }
        std::vector<std::pair<std::pair<std::string, long>, fs::path>> kept;
        for (const auto& entry : fs::directory_iterator(history, error)) {
            if (const auto order = orderOf(utf8Of(entry.path().filename()))) {
                kept.emplace_back(*order, entry.path());
            }
        }
        std::sort(kept.begin(), kept.end());
        const std::size_t excess = kept.size() > static_cast<std::size_t>(keep) ? kept.size() - keep : 0;
        for (std::size_t i = 0; i < excess; ++i) {
            if (!fs::remove(kept[i].second, error) && error) {
                return "an old log cannot be removed from " + folder + " (" + reason(error) + ")";
            }
        }
        return {};
    } catch (const std::exception& failure) {
        return folder + ": " + failure.what();
    }
}

} // namespace ob::loghistory
