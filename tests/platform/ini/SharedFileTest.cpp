#include "../FailureOf.h"
#include "platform/ini/IniFile.h"
#include "platform/ini/SharedFile.h"
#include "platform/system/InstanceLock.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <thread>
#if !defined(_WIN32)
#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

using ob::test::TempDir;
using ob::ini::updateFile;

namespace {

ob::IniFile iniAt(const std::string& path)
{
    ob::IniFile ini;
    ini.setFilePath(path);
    return ini;
}

std::string addBusy(const std::string& content)
{
    return ob::ini::assign(content, "General", "Busy", "True");
}

#if !defined(_WIN32)
unsigned modeOf(const std::string& path)
{
    struct stat info {};
    ::stat(path.c_str(), &info);
    return info.st_mode & 07777;
}

constexpr uid_t kNobody = 65534;

// Runs `body` in a child process as the account nobody; its exit status.
int asNobody(const std::function<int()>& body)
{
    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0 ? 9 : body());
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
#endif

} // namespace

TEST(SharedFile, aChangeIsMadeWholeOrNotAtAll)
{
    TempDir dir;
    const auto path = dir.write("x.ini", "[General]\r\nAction=\r\n");
    // A peer that ignores our lock writes while we are busy: the change is made again.
    int calls = 0;
    const auto result = updateFile(path, [&](const std::string& content) {
        if (++calls == 1)
            dir.write("x.ini", "[General]\r\nAction=\r\n[Peer]\r\nMine=1\r\n");
        return addBusy(content);
    });
    EXPECT_EQ(calls, 2);
    EXPECT_EQ(result, "[General]\r\nAction=\r\nBusy=True\r\n[Peer]\r\nMine=1\r\n");
    EXPECT_EQ(dir.read("x.ini"), result);
    // A failed change leaves the file as it was.
    EXPECT_THROW(updateFile(path, [](const std::string&) -> std::string { throw std::runtime_error("x"); }),
                 std::runtime_error);
    EXPECT_EQ(dir.read("x.ini"), result);
    // An unchanged content is not rewritten; a changed one replaces the file.
    std::filesystem::create_hard_link(path, dir.file("twin"));
    updateFile(path, [](const std::string& content) { return content; });
    EXPECT_EQ(std::filesystem::hard_link_count(path), 2u);
    updateFile(path, [](const std::string& content) { return content + "x=1\r\n"; });
    EXPECT_EQ(std::filesystem::hard_link_count(path), 1u);
}

// The peer's profile functions truncate the file and then write it whole:
// neither a read nor a write may take the empty moment for the file.
TEST(SharedFile, aSnapshotTakenWhileThePeerRewritesInPlaceIsReadAgain)
{
    const auto whole = [](const std::string& content) { return ob::ini::hasSection(content, "General"); };
    const std::string peers = "[General]\r\nAction=/OBVER\r\n[Peer]\r\nMine=1\r\n";
    for (const bool writing : {false, true}) {
        SCOPED_TRACE(writing ? "a write" : "a read");
        TempDir dir;
        const auto path = dir.write("x.ini", "");
        std::thread peer([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            dir.write("x.ini", peers);
        });
        std::vector<std::string> seen;
        if (writing) {
            updateFile(path, [&](const std::string& content) { return seen.push_back(content), addBusy(content); },
                       whole);
        } else {
            seen.push_back(ob::ini::readFile(path, whole));
        }
        peer.join();
        for (const auto& content : seen)
            EXPECT_EQ(content, peers);
        if (writing) {
            EXPECT_EQ(dir.read("x.ini"), "[General]\r\nAction=/OBVER\r\nBusy=True\r\n[Peer]\r\nMine=1\r\n");
        }
    }
}

// A write clears the temporaries of killed writers of this file, and nothing else.
TEST(SharedFile, aWriteRemovesTheTemporariesOfKilledWritersOnly)
{
    TempDir dir;
    dir.write("OB32PYII.INI.4242-17.tmp", "[General]\r\nAction=/OBLOGIN\r\n");
    const char* notOurs[] = {"NEXOVA.INI.4242-0.tmp", "OB32PYII.INI.notes.tmp", "OB32PYII.INI.4242-0.tmp.bak"};
    for (const char* name : notOurs)
        dir.write(name, "x");
    iniAt(dir.write("OB32PYII.INI", "[General]\r\n")).write("General", "Busy", "True");
    EXPECT_FALSE(dir.exists("OB32PYII.INI.4242-17.tmp"));
    for (const char* name : notOurs)
        EXPECT_TRUE(dir.exists(name)) << name;
}

#if !defined(_WIN32)
TEST(SharedFile, aReplacementKeepsWhatThePeerReliesOn)
{
    TempDir dir;
    // A link stays a link; its target gets the change.
    ASSERT_EQ(::mkdir(dir.file("real").c_str(), 0777), 0);
    dir.write("real/OB32PYII.INI", "[General]\r\n");
    ASSERT_EQ(::symlink("real/OB32PYII.INI", dir.file("OB32PYII.INI").c_str()), 0);
    iniAt(dir.file("OB32PYII.INI")).write("General", "Busy", "True");
    EXPECT_TRUE(std::filesystem::is_symlink(dir.file("OB32PYII.INI")));
    EXPECT_EQ(dir.read("real/OB32PYII.INI"), "[General]\r\nBusy=True\r\n");
    // A read-only file is refused, as Windows refuses it, and stays as it was.
    const auto readOnly = dir.write("RO.INI", "[General]\r\n");
    ASSERT_EQ(::chmod(readOnly.c_str(), 0444), 0);
    EXPECT_EQ(ob::test::failureOf([&] { iniAt(readOnly).write("General", "Busy", "True"); }), 75);
    EXPECT_EQ(dir.read("RO.INI"), "[General]\r\n");
    EXPECT_EQ(modeOf(readOnly), 0444u);
    // Owner, group and mode stay those of the file (giving them takes root).
    const auto shared = dir.write("SHARED.INI", "[General]\r\n");
    const bool root = ::geteuid() == 0 && ::chown(shared.c_str(), kNobody, kNobody) == 0;
    ASSERT_EQ(::chmod(shared.c_str(), 0640), 0);
    iniAt(shared).write("General", "Busy", "True");
    EXPECT_EQ(modeOf(shared), 0640u);
    struct stat info {};
    ::stat(shared.c_str(), &info);
    EXPECT_TRUE(!root || (info.st_uid == kNobody && info.st_gid == kNobody));
}

// This account starts first and makes the side files; another account still
// writes and locks, also where an older version left side files of mode 0644.
TEST(SideFiles, anotherAccountWritesAndLocksWhereverTheExchangeFileIsWritableForIt)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to act as a second account";
    TempDir dir;
    ASSERT_EQ(::chmod(dir.path().c_str(), 0777), 0);
    const auto exchange = dir.write("OB32PYII.INI", "[General]\r\n");
    const auto other = dir.write("OTHER.INI", "[General]\r\n");
    for (const auto& path : {exchange, other})
        ASSERT_EQ(::chmod(path.c_str(), 0666), 0);
    const auto instance = dir.file("OB32PYII.lck");
    iniAt(exchange).write("General", "Busy", "False");
    ASSERT_TRUE(ob::sys::InstanceLock(instance, exchange).held());
    EXPECT_EQ(modeOf(exchange + ".lock") & 0777, 0666u);
    EXPECT_EQ(modeOf(instance) & 0777, 0666u);
    for (const char* name : {"OTHER.INI.lock", "OTHER.lck"})
        ASSERT_EQ(::chmod(dir.write(name, "").c_str(), 0644), 0);
    const int failed = asNobody([&] {
        int result = 0;
        for (const auto& path : {exchange, other})
            result |= ob::test::failureOf([&] { iniAt(path).write("General", "Busy", "True"); }) ? 1 : 0;
        result |= ob::sys::InstanceLock(instance, exchange).held() ? 0 : 2;
        return result | (ob::sys::InstanceLock(dir.file("OTHER.lck"), other).held() ? 0 : 4);
    });
    EXPECT_EQ(failed, 0) << "1: exchange-file write, 2: instance lock, 4: another account's lock file";
    for (const char* name : {"OB32PYII.INI", "OTHER.INI"})
        EXPECT_EQ(ob::ini::lookup(dir.read(name), "General", "Busy"), "True") << name;
}
#endif
