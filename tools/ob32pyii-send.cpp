// ob32pyii-send: plays PYRALIS II's side of the exchange-file handshake, for
// scripts, support and tests.
//
//   ob32pyii-send [--dir FOLDER] [--timeout SECONDS] [--clear SECTION]...
//                 [--show SECTION]... [Section.Key=Value]... ACTION
//
// Waits until the running program has finished its start-up (it says so
// through its instance lock, after the start values are written: a request
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

constexpr auto kPollInterval = std::chrono::milliseconds(5);

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

// The program takes a request up in one write (Action empty, Busy True,
// Error empty) and answers it in one write (its results, Error, Busy False).
// So, once our Action is in the file, Action empty with Busy False can only
// be the answer: however fast the action, no look can fall between the two
// halves of a take-up.
bool answered(const std::string& content)
{
    const auto action = trimmed(ob::ini::lookupText(content, keys::General, keys::Action).value_or(""));
    const auto busy = ob::ini::lookupText(content, keys::General, keys::Busy);
    // A look without Busy (a file caught between two names) answers nothing.
    return action.empty() && busy && !ob::ini::toBoolean(*busy);
}

// A request left in the file would run later and overwrite the answer to the
// next one. Under the write lock, Action is emptied only while it still holds
// our word: once the program has taken it up (emptied it), it is its own.
std::string withdraw(ob::IniFile& ini, const std::string& action)
{
    bool withdrawn = false;
    ini.update([&](const std::string& content) {
        const auto current = ob::ini::lookupText(content, keys::General, keys::Action).value_or("");
        withdrawn = !trimmed(action).empty() && trimmed(current) == trimmed(action);
        return withdrawn ? ob::ini::assignText(content, keys::General, keys::Action, "") : content;
    });
    return withdrawn ? "the request was withdrawn; ob32pyii had not taken it up"
                     : "ob32pyii took the request up and is still running it; its answer will be in the file later";
}

int run(const Options& options)
{
    const std::string folder = options.folder.empty() ? ob::sys::windowsFolder() : options.folder;
    const std::string path = ob::sys::buildPath(folder, keys::kExchangeFileName);
    const bool terminating = ob::text::upper(options.action).find("/TERMINATE") != std::string::npos;
    const auto deadline = Clock::now() + std::chrono::duration<double>(options.timeoutSeconds);
    // The lock itself answers, whatever the account that holds it.
    ob::sys::InstanceLock::Watcher program(path);
    if (!program.alive()) {
        std::cerr << "ob32pyii-send: no ob32pyii is running for " << path << "; " << options.action
                  << " not sent\n";
        return kNoProgram;
    }
    while (!program.started()) {
        if (!program.alive()) {
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
    for (const auto& section : options.clear) {
        if (ob::text::upper(section) != ob::text::upper(keys::General))
            ini.update([&](const std::string& content) { return withoutSection(content, section); });
    }
    for (const auto& a : options.assignments)
        ini.write(a.section, a.key, a.value);
    // The request's data first, the action word last.
    ini.write(keys::General, keys::Action, options.action);

    std::string content;
    for (;;) {
        content = ini.snapshot();
        // A program that ended (or was replaced by a new start, whose start
        // values would look like an answer) never answered; the end after
        // /TERMINATE is its answer.
        if (!program.alive()) {
            if (terminating) {
                content = ini.snapshot();
                break;
            }
            std::cerr << "ob32pyii-send: ob32pyii ended before it answered " << options.action << "\n";
            return kNoProgram;
        }
        if (answered(content))
            break;
        if (Clock::now() >= deadline) {
            std::cerr << "ob32pyii-send: no answer to " << options.action << " within " << options.timeoutSeconds
                      << " s (" << path << "); " << withdraw(ini, options.action) << "\n";
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
