#include "../FailureOf.h"
#include "platform/system/InstanceLock.h"
#include "platform/system/LogStream.h"
#include "platform/system/SystemFolders.h"
#include "support/EnvironmentVariable.h"
#include "support/TempDir.h"

#include <filesystem>
#include <gtest/gtest.h>
#if defined(_WIN32)
#include "platform/win32/Wide.h"
#include <windows.h>
#else
#include <csignal>
#include <sys/wait.h>
#include <unistd.h>
#endif

using ob::sys::InstanceLock;
using ob::test::EnvironmentVariable;
using ob::test::TempDir;
namespace fs = std::filesystem;

#if defined(_WIN32)
TEST(SystemFolders, theWindowsFolderIsTheSystemsUnlessOneIsNamed)
{
    wchar_t system[MAX_PATH];
    const UINT n = ::GetWindowsDirectoryW(system, MAX_PATH);
    EnvironmentVariable none("OB32PYII_WINDIR", nullptr);
    EXPECT_EQ(ob::sys::windowsFolder(), ob::win32::narrow(std::wstring_view(system, n)));
    TempDir dir;
    EnvironmentVariable named("OB32PYII_WINDIR", dir.file("Windows").c_str());
    EXPECT_EQ(ob::sys::windowsFolder(), dir.file("Windows"));
    EXPECT_TRUE(fs::is_directory(dir.file("Windows")));
}

TEST(SystemFolders, programFolderHoldsTheRunningExecutableAndPathsJoinWithOneSeparator)
{
    wchar_t exe[MAX_PATH];
    const fs::path path(std::wstring(exe, ::GetModuleFileNameW(nullptr, exe, MAX_PATH)));
    EXPECT_EQ(fs::path(ob::win32::wide(ob::sys::programFolder())), path.parent_path());
    EXPECT_EQ(ob::sys::buildPath("C:\\Windows", "OB32PYII.INI") + " " + ob::sys::buildPath("Z:/tmp/", "x"),
              "C:\\Windows\\OB32PYII.INI Z:/tmp/x");
}
#else
// A child process that takes the lock and holds it until killed; held when it got it.
struct LockingChild {
    explicit LockingChild(const std::string& path)
    {
        int up[2];
        if (::pipe(up) != 0)
            throw std::runtime_error("pipe");
        if ((pid = ::fork()) == 0) {
            InstanceLock lock(path);
            lock.announceStarted();
            if (lock.held() && ::write(up[1], "1", 1) == 1)
                ::pause();
            ::_exit(1);
        }
        ::close(up[1]);
        char byte = 0;
        held = ::read(up[0], &byte, 1) == 1;
        ::close(up[0]);
    }
    ~LockingChild() { finish(); }
    void finish()
    {
        if (pid > 0 && ::kill(pid, SIGKILL) == 0)
            ::waitpid(pid, nullptr, 0);
        pid = -1;
    }
    pid_t pid = -1;
    bool held = false;
};

// WINDIR if not empty, else $XDG_DATA_HOME/ob32pyii if absolute, else ~/.local/share/ob32pyii; created.
TEST(SystemFolders, theWindowsFolderFollowsTheEnvironment)
{
    TempDir dir;
    EnvironmentVariable home("HOME", dir.path().c_str());
    const struct { const char* windir; const char* xdg; std::string folder; } cases[] = {
        {"Windows", "data", "Windows"}, {nullptr, "data", "data/ob32pyii"}, {"", "data", "data/ob32pyii"},
        {nullptr, nullptr, ".local/share/ob32pyii"}, {nullptr, "", ".local/share/ob32pyii"},
        {nullptr, "relative/data", ".local/share/ob32pyii"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.folder);
        const std::string windir = c.windir && *c.windir ? dir.file(c.windir) : "";
        const std::string xdg = c.xdg && *c.xdg == 'd' ? dir.file(c.xdg) : c.xdg ? c.xdg : "";
        EnvironmentVariable w("WINDIR", c.windir ? windir.c_str() : nullptr);
        EnvironmentVariable x("XDG_DATA_HOME", c.xdg ? xdg.c_str() : nullptr);
        EXPECT_EQ(ob::sys::windowsFolder(), dir.file(c.folder));
        EXPECT_TRUE(fs::is_directory(dir.file(c.folder)));
        EXPECT_TRUE(windir.empty() || !fs::exists(dir.file("data"))) << "XDG_DATA_HOME used although WINDIR is set";
        fs::remove_all(dir.file(c.folder));
    }
}

TEST(SystemFolders, programFolderHoldsTheRunningExecutableAndPathsJoinWithOneSeparator)
{
    const auto folder = ob::sys::programFolder();
    EXPECT_TRUE(fs::path(folder).is_absolute());
    EXPECT_TRUE(fs::exists(fs::path(folder) / fs::read_symlink("/proc/self/exe").filename()));
    EXPECT_EQ(ob::sys::buildPath("/a/b", "x") + " " + ob::sys::buildPath("/a/b/", "x"), "/a/b/x /a/b/x");
}
#endif

TEST(InstanceLock, oneHolderAtATimeAndAKilledOnesLockIsTakenOver)
{
    TempDir dir;
    const auto path = dir.file("OB32PYII.INI");
    {
        InstanceLock first(path);
        // Another path to the same file (other letter case, another spelling of its folder) is the same lock.
        InstanceLock second(dir.path() + "/./ob32pyii.ini");
        EXPECT_TRUE(first.held());
        EXPECT_FALSE(second.held());
        EXPECT_TRUE(second.runningElsewhere());
        EXPECT_TRUE(InstanceLock::isHeld(path));
        InstanceLock::Watcher watcher(path);
        EXPECT_TRUE(watcher.alive());
        EXPECT_FALSE(watcher.started());
        first.announceStarted();
        EXPECT_TRUE(watcher.started());
#if !defined(_WIN32)
        EXPECT_FALSE(LockingChild(path).held) << "a child got the lock its parent holds";
#endif
    }
    EXPECT_FALSE(InstanceLock::isHeld(path));
    EXPECT_TRUE(InstanceLock(path).held());
    EXPECT_TRUE(InstanceLock(dir.file("OTHER.INI")).held()) << "another exchange file has a lock of its own";
    const InstanceLock missing(dir.file("missing/OB32PYII.INI"));
    EXPECT_FALSE(missing.held() || missing.runningElsewhere()) << "a failed start, not a second one";
    EXPECT_NE(missing.error(), "");
    EXPECT_FALSE(InstanceLock::isHeld(dir.file("missing/OB32PYII.INI")));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), {}), 0) << "no file is created";
#if !defined(_WIN32) // the lock of a killed process is taken over; a watcher follows the one it saw start
    LockingChild child(path);
    ASSERT_TRUE(child.held);
    InstanceLock::Watcher watcher(path);
    ASSERT_TRUE(watcher.started());
    EXPECT_FALSE(InstanceLock(path).held());
    child.finish();
    EXPECT_FALSE(InstanceLock::isHeld(path));
    InstanceLock lock(path);
    EXPECT_TRUE(lock.held());
    lock.announceStarted();
    EXPECT_FALSE(watcher.alive()) << "a new start is not the program the watcher followed";
    EXPECT_TRUE(InstanceLock::Watcher(path).alive());
#endif
}

TEST(LogStream, replacesTheOldLogAndWritesEachLineAtOnceInTheSystemsEncoding)
{
    TempDir dir;
    dir.write("OB32PYII.txt", "the last run's log\r\n");
    ob::sys::LogStream log(dir.file("OB32PYII.txt"));
    EXPECT_TRUE(log.isOpen() && dir.read("OB32PYII.txt").empty());
    log.writeLine("12:00:00\tStarting...");
    EXPECT_EQ(dir.read("OB32PYII.txt"), "12:00:00\tStarting...\r\n");
    log.writeLine("");
    log.writeLine("Locating asset (PT100,S-\xC3\xA9,Hart)...");
#if defined(_WIN32) // Windows programs read a file without a byte-order mark in the ANSI code page
    const std::string last = ::GetACP() == 1252 ? "Locating asset (PT100,S-\xE9,Hart)...\r\n" : "";
#else
    const std::string last = "Locating asset (PT100,S-\xC3\xA9,Hart)...\r\n";
#endif
    EXPECT_TRUE(last.empty() || dir.read("OB32PYII.txt") == "12:00:00\tStarting...\r\n\r\n" + last);
    log.close();
    EXPECT_TRUE(!log.isOpen() && ob::test::failureOf([&] { log.writeLine("more"); }) != 0);
    EXPECT_EQ(ob::test::failureOf([&] { ob::sys::LogStream(dir.file("missing/OB32PYII.txt")); }), 75);
#if !defined(_WIN32)
    EXPECT_NE(ob::test::failureOf([] { ob::sys::LogStream("/dev/full").writeLine("x"); }), 0);
#endif
}
