// ob32pyii-send: plays PYRALIS II's side of the exchange-file handshake, for
// scripts, support and tests.
//
//   ob32pyii-send [--dir FOLDER] [--timeout SECONDS] [--show SECTION]...
//                 [Section.Key=Value]... ACTION
//
// Waits until the running program has finished its start-up (it says so
// through its instance lock, after the start values are written: a request
// written earlier would be emptied by them), writes each assignment into
// OB32PYII.INI, then [General] Action = ACTION, waits until the program has
// finished the action and prints [General] Error and the sections asked for.
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
    std::vector<Assignment> assignments;
    std::string action;
};

int usage(const std::string& problem)
{
    std::cerr << "ob32pyii-send: " << problem << "\n"
              << "usage: ob32pyii-send [--dir FOLDER] [--timeout SECONDS] [--show SECTION]... "
                 "[Section.Key=Value]... ACTION\n";
    return kBadUsage;
}

std::optional<Options> parse(const std::vector<std::string>& argv, std::string& problem)
{
    const auto argc = argv.size();
    Options options;
    std::vector<std::string> words;
    for (std::size_t i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool takesValue = arg == "--dir" || arg == "--timeout" || arg == "--show";
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
        } else if (arg.size() > 2 && arg.compare(0, 2, "--") == 0) {
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
    const bool busy = ob::ini::toBoolean(ob::ini::lookupText(content, keys::General, keys::Busy).value_or(""));
    return action.empty() && !busy;
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
                      << " s (" << path << ")\n";
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
    try {
        return run(*options);
    } catch (const ob::Failure& failure) {
        std::cerr << "ob32pyii-send: " << failure.number() << " - " << failure.description() << "\n";
        return kTimedOut;
    }
}
