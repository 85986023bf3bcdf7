// ob32pyii-send: plays PYRALIS II's side of the exchange-file handshake, for
// scripts, support and tests.
//
//   ob32pyii-send [--dir FOLDER] [--timeout SECONDS] [--clear SECTION]...
//                 [--show SECTION]... [Section.Key=Value]... ACTION
//
// Waits until the running program has finished its start-up (it says so in
// its instance lock file, after the start values are written: a request
// written earlier would be emptied by them), removes the sections to clear,
// writes each assignment into OB32PYII.INI, then [General] Action = ACTION,
// waits until the program has finished the action and prints [General] Error
// and the sections asked for. The file keeps what earlier requests wrote, and
// the program reads it as part of this one. On a time-out after sending, the
// Action is withdrawn if the program has not taken it up yet.
// Exit status: 0 success, 1 the action reported an error, 2 no answer in
// time, 3 bad usage, 4 no program running (none holds the instance lock, or
// the one that did ended before it answered). Values go in and come out as
// UTF-8, whatever the file holds; the file gets them as the program writes
// them (the peer's code page, or UTF-16LE in a file that has that byte-order
// mark).

#include "context/ExchangeKeys.h"
#include "platform/Failure.h"
#include "platform/Text.h"
#include "platform/ini/FileText.h"
#include "platform/ini/IniFile.h"
#include "platform/ini/SharedFile.h"
#include "platform/system/InstanceLock.h"
#include "platform/system/SystemFolders.h"
#include "platform/text/CodePage.h"

#ifdef _WIN32
#include "platform/win32/Wide.h"
#include <shellapi.h>
#endif
#include <charconv>
#include <chrono>
#include <iostream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
namespace keys = ob::keys;

constexpr int kSuccess = 0;
constexpr int kActionFailed = 1;
constexpr int kTimedOut = 2;
constexpr int kBadUsage = 3;
constexpr int kNoProgram = 4;

constexpr auto kPollInterval = std::chrono::milliseconds(20);
// The program writes Busy True right after emptying Action; a file that stays
// in the in-between state this long was not caught in that moment.
constexpr auto kSettleTime = std::chrono::milliseconds(1500);

struct Assignment {
    std::string section;
    std::string key;
    std::string value;
};

struct Options {
    std::string folder;
    double timeoutSeconds = 60;
    std::vector<std::string> show;
    std::vector<std::string> clear;
    std::vector<Assignment> assignments;
    std::string action;
    bool help = false;
};

const char* const kUsage =
    "usage: ob32pyii-send [--dir FOLDER] [--timeout SECONDS] [--clear SECTION]... [--show SECTION]...\n"
    "                     [Section.Key=Value]... ACTION\n"
    "Writes each Section.Key=Value into OB32PYII.INI in FOLDER (default: the Windows folder), then\n"
    "[General] Action=ACTION, waits for the running ob32pyii to finish it and prints [General] Error\n"
    "and each --show section.\n"
    "The file keeps the keys of earlier requests, and ob32pyii reads them into this one: --clear\n"
    "SECTION removes that section first (--clear Calibration before each new calibration record).\n"
    "  --timeout SECONDS  how long to wait (default 60); a request not yet taken up by then is\n"
    "                     withdrawn\n"
    "  -h, --help         this text\n"
    "Exit status: 0 success, 1 the action reported an error, 2 no answer in time, 3 bad usage,\n"
    "4 no ob32pyii running.\n";

int usage(const std::string& problem)
{
    std::cerr << "ob32pyii-send: " << problem << "\n" << kUsage;
    return kBadUsage;
}

std::optional<Options> parse(const std::vector<std::string>& argv, std::string& problem)
{
    const auto argc = argv.size();
    Options options;
    std::vector<std::string> words;
    for (std::size_t i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            options.help = true;
            return options;
        }
        const bool takesValue = arg == "--dir" || arg == "--timeout" || arg == "--show" || arg == "--clear";
        if (takesValue && i + 1 >= argc) {
            problem = arg + " needs a value";
            return std::nullopt;
        }
        if (arg == "--dir") {
            options.folder = argv[++i];
        } else if (arg == "--timeout") {
            const std::string text = argv[++i];
            const auto end = text.data() + text.size();
            const auto parsed = std::from_chars(text.data(), end, options.timeoutSeconds);
            if (parsed.ec != std::errc() || parsed.ptr != end || options.timeoutSeconds <= 0) {
                problem = "bad timeout '" + text + "'";
                return std::nullopt;
            }
        } else if (arg == "--show") {
            options.show.emplace_back(argv[++i]);
        } else if (arg == "--clear") {
            options.clear.emplace_back(argv[++i]);
        } else if (arg.size() > 1 && arg[0] == '-') {
            // Actions start with "/", assignments with a section name: a
            // mistyped option is never sent as an action.
            problem = "unknown option " + arg;
            return std::nullopt;
        } else {
            words.push_back(arg);
        }
    }
    if (words.empty()) {
        problem = "no action given";
        return std::nullopt;
    }
    options.action = words.back();
    words.pop_back();
    for (const auto& word : words) {
        const auto eq = word.find('=');
        const auto dot = word.find('.');
        if (eq == std::string::npos || dot == std::string::npos || dot > eq || dot == 0 || dot + 1 == eq) {
            problem = "'" + word + "' is not Section.Key=Value";
            return std::nullopt;
        }
        options.assignments.push_back({word.substr(0, dot), word.substr(dot + 1, eq - dot - 1), word.substr(eq + 1)});
    }
    return options;
}

// The name of a "[Section]" line, or nullopt for any other line.
std::optional<std::string> headerName(std::string_view line)
{
    const auto first = line.find_first_not_of(" \t");
    if (first == std::string_view::npos || line[first] != '[')
        return std::nullopt;
    const auto close = line.find(']', first);
    if (close == std::string_view::npos)
        return std::nullopt;
    std::string_view name = line.substr(first + 1, close - first - 1);
    const auto from = name.find_first_not_of(" \t");
    name = from == std::string_view::npos ? std::string_view() : name.substr(from, name.find_last_not_of(" \t") - from + 1);
    return std::string(name);
}

// The content without every section of that name (header and lines up to the
// next header; names compared without case), as Windows' profile functions
// delete a section. Every other byte is kept.
std::string withoutSection(const std::string& content, const std::string& section)
{
    if (ob::ini::isUtf16(content)) {
        const std::string mark = content.substr(0, 2);
        return mark + ob::text::utf8ToUtf16le(withoutSection(ob::text::utf16leToUtf8(content.substr(2)), section));
    }
    const std::string wanted = ob::text::upper(ob::text::CodePage::peer().encode(section));
    const std::string wantedUtf8 = ob::text::upper(section);
    std::string out;
    bool inside = false;
    for (std::size_t start = 0; start < content.size();) {
        const auto newline = content.find('\n', start);
        const std::size_t end = newline == std::string::npos ? content.size() : newline + 1;
        const std::string_view line(content.data() + start, end - start);
        if (const auto name = headerName(line)) {
            const std::string upper = ob::text::upper(*name);
            inside = upper == wanted || upper == wantedUtf8;
        }
        if (!inside)
            out += line;
        start = end;
    }
    return out;
}

std::string trimmed(const std::string& text)
{
    const auto first = text.find_first_not_of(' ');
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// Watches the file for the end of the action. The program, once it takes the
// action up, writes Action empty, then Busy True, (Error empty,) runs it, and
// writes Busy False. So:
//  - Action empty with Busy True means our action runs; Busy False after that
//    means it is finished.
//  - A fast action can start and finish between two looks. Action empty with
//    Busy False is then finished, unless the file is exactly what the
//    program's first write made of ours (only Action emptied): that is also
//    the short moment before it writes Busy True. An action whose result left
//    the file byte for byte like that (a repeated /OBVER, say) is told apart
//    by time: the in-between moment lasts one file write, so the same state
//    still there after kSettleTime is an ending.
class Handshake {
public:
    explicit Handshake(std::string takenUp) : m_takenUp(std::move(takenUp)) {}

    bool finished(const std::string& content)
    {
        const auto action = trimmed(ob::ini::lookupText(content, keys::General, keys::Action).value_or(""));
        const bool busy = ob::ini::toBoolean(ob::ini::lookupText(content, keys::General, keys::Busy).value_or(""));
        const bool between = action.empty() && !busy && content == m_takenUp;
        if (!between)
            m_betweenSince.reset();
        if (action.empty() && busy) {
            m_sawRunning = true;
            return false;
        }
        if (!action.empty() || busy)
            return false;
        if (m_sawRunning || !between)
            return true;
        const auto now = Clock::now();
        if (!m_betweenSince)
            m_betweenSince = now;
        return now - *m_betweenSince >= kSettleTime;
    }

private:
    std::string m_takenUp;
    bool m_sawRunning = false;
    std::optional<Clock::time_point> m_betweenSince;
};

// A request left in the file would run later and overwrite the answer to the
// next one. Under the write lock, Action is emptied only while it still holds
// our word: once the program has taken it up (emptied it), it is its own.
std::string withdraw(const std::string& path, const std::string& action, const ob::ini::WholeTest& whole)
{
    bool withdrawn = false;
    ob::ini::updateFile(
        path,
        [&](const std::string& content) {
            withdrawn = !trimmed(action).empty() && trimmed(ob::ini::lookupText(content, keys::General, keys::Action).value_or("")) == trimmed(action);
            return withdrawn ? ob::ini::assignText(content, keys::General, keys::Action, "") : content;
        },
        whole);
    return withdrawn ? "the request was withdrawn; ob32pyii had not taken it up"
                     : "ob32pyii took the request up and is still running it; its answer will be in the file later";
}

int run(const Options& options)
{
    const std::string folder = options.folder.empty() ? ob::sys::windowsFolder() : options.folder;
    const std::string path = ob::sys::buildPath(folder, keys::kExchangeFileName);
    const std::string lockPath = ob::sys::buildPath(folder, keys::kInstanceLockName);
    const bool terminating = ob::text::upper(options.action).find("/TERMINATE") != std::string::npos;
    const long program = ob::sys::InstanceLock::holderProcess(lockPath);
    const auto deadline = Clock::now() + std::chrono::duration<double>(options.timeoutSeconds);
    if (program == 0) {
        std::cerr << "ob32pyii-send: no ob32pyii is running in " << folder << " (" << lockPath
                  << " is not held); " << options.action << " not sent\n";
        return kNoProgram;
    }
    while (!ob::sys::InstanceLock::holderStarted(lockPath)) {
        if (ob::sys::InstanceLock::holderProcess(lockPath) != program) {
            std::cerr << "ob32pyii-send: ob32pyii ended during its start-up; " << options.action << " not sent\n";
            return kNoProgram;
        }
        if (Clock::now() >= deadline) {
            std::cerr << "ob32pyii-send: ob32pyii did not finish its start-up within " << options.timeoutSeconds
                      << " s; " << options.action << " not sent\n";
            return kTimedOut;
        }
        std::this_thread::sleep_for(kPollInterval);
    }

    ob::IniFile ini;
    ini.setFilePath(path);
    // The program has written its start values: [General] is there from now on.
    ini.setRequiredSection(keys::General);
    const auto whole = [](const std::string& content) { return ob::ini::hasSectionText(content, keys::General); };
    for (const auto& section : options.clear) {
        if (ob::text::upper(section) != ob::text::upper(keys::General))
            ob::ini::updateFile(path, [&](const std::string& content) { return withoutSection(content, section); },
                                whole);
    }
    for (const auto& a : options.assignments)
        ini.write(a.section, a.key, a.value);
    // The request's data first, the action word last.
    const auto sendAction = [&](const std::string& content) {
        return ob::ini::assignText(content, keys::General, keys::Action, options.action);
    };
    const std::string sent = ob::ini::updateFile(path, sendAction, whole);

    Handshake handshake(ob::ini::assignText(sent, keys::General, keys::Action, ""));
    std::string content;
    for (;;) {
        content = ob::ini::readFile(path, whole);
        // A program that ended (or was replaced by a new start, whose start
        // values would look like an answer) never took the request up; the
        // end after /TERMINATE is its answer.
        if (ob::sys::InstanceLock::holderProcess(lockPath) != program) {
            if (terminating) {
                content = ob::ini::readFile(path, whole);
                break;
            }
            std::cerr << "ob32pyii-send: ob32pyii ended before it answered " << options.action << "\n";
            return kNoProgram;
        }
        if (handshake.finished(content))
            break;
        if (Clock::now() >= deadline) {
            std::cerr << "ob32pyii-send: no answer to " << options.action << " within " << options.timeoutSeconds
                      << " s (" << path << "); " << withdraw(path, options.action, whole) << "\n";
            return kTimedOut;
        }
        std::this_thread::sleep_for(kPollInterval);
    }

    const auto error = ob::ini::lookupText(content, keys::General, keys::Error).value_or("");
    std::cout << "[General] Error=" << error << "\n";
    for (const auto& section : options.show) {
        std::cout << "[" << section << "]\n";
        for (const auto& [key, value] : ob::ini::sectionEntriesText(content, section))
            std::cout << key << "=" << value << "\n";
    }
    return error.empty() ? kSuccess : kActionFailed;
}

// The arguments as UTF-8. On Windows argv holds them in the ANSI code page
// (a "°C" there is not UTF-8, and what the code page lacks is lost); the wide
// command line holds them all.
std::vector<std::string> arguments(int argc, char** argv)
{
#ifdef _WIN32
    int n = 0;
    if (wchar_t** wide = ::CommandLineToArgvW(::GetCommandLineW(), &n)) {
        std::vector<std::string> out;
        for (int i = 0; i < n; ++i)
            out.push_back(ob::win32::narrow(wide[i]));
        ::LocalFree(wide);
        return out;
    }
#endif
    return {argv, argv + argc};
}

} // namespace

int main(int argc, char** argv)
{
    std::string problem;
    const auto options = parse(arguments(argc, argv), problem);
    if (!options)
        return usage(problem);
    if (options->help) {
        std::cout << kUsage;
        return kSuccess;
    }
    try {
        return run(*options);
    } catch (const ob::Failure& failure) {
        std::cerr << "ob32pyii-send: " << failure.number() << " - " << failure.description() << "\n";
        return kTimedOut;
    }
}
