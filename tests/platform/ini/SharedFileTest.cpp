#include "platform/Failure.h"
#include "platform/ini/IniFile.h"
#include "platform/ini/SharedFile.h"
#include "platform/system/InstanceLock.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <atomic>
#include <charconv>
#include <chrono>
#include <sys/stat.h>
#include <thread>
#include <vector>
#if defined(_WIN32)
#include "platform/win32/Wide.h"
#else
#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

using ob::test::TempDir;

namespace {

std::string number(int n)
{
    char buffer[12];
    return std::string(buffer, std::to_chars(buffer, buffer + sizeof buffer, n).ptr);
}

// The file's identity: a replacement gives a new one.
#if defined(_WIN32)
unsigned long long inodeOf(const std::string& path)
{
    ob::win32::UniqueHandle file(::CreateFileW(ob::win32::wide(path).c_str(), 0,
                                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    BY_HANDLE_FILE_INFORMATION info{};
    if (!file || !::GetFileInformationByHandle(file.get(), &info))
        return 0;
    return (static_cast<unsigned long long>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
}
#else
ino_t inodeOf(const std::string& path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? info.st_ino : 0;
}
#endif

[[maybe_unused]] void writeKeys(const std::string& path, const std::string& section, int count)
{
    ob::IniFile ini;
    ini.setFilePath(path);
    ini.setSection(section);
    for (int i = 0; i < count; ++i)
        ini.WriteString("Key" + number(i), section + number(i));
}

// A complete file of this test: CR LF lines, each a header or Key<n>=<section><n>.
[[maybe_unused]] bool isComplete(const std::string& content, std::size_t& general, std::size_t& peer)
{
    if (content.empty())
        return true;
    if (content.size() < 2 || content.compare(content.size() - 2, 2, "\r\n") != 0)
        return false;
    general = ob::ini::sectionEntries(content, "General").size();
    peer = ob::ini::sectionEntries(content, "Peer").size();
    std::size_t lines = 0;
    for (std::size_t pos = 0; pos < content.size(); pos = content.find("\r\n", pos) + 2)
        ++lines;
    const std::size_t headers = (general ? 1 : 0) + (peer ? 1 : 0);
    return lines == general + peer + headers;
}

#if !defined(_WIN32)
struct stat statOf(const std::string& path)
{
    struct stat info {};
    ::stat(path.c_str(), &info);
    return info;
}

constexpr uid_t kNobody = 65534;
#endif

} // namespace

#if !defined(_WIN32)
TEST(SharedFile, aReplacementKeepsWhatThePeerReliesOn)
{
    TempDir dir;
    // A link stays a link; its target gets the change.
    ASSERT_EQ(::mkdir(dir.file("real").c_str(), 0777), 0);
    dir.write("real/OB32PYII.INI", "[General]\r\n");
    ASSERT_EQ(::symlink("real/OB32PYII.INI", dir.file("OB32PYII.INI").c_str()), 0);
    ob::IniFile ini;
    ini.setFilePath(dir.file("OB32PYII.INI"));
    ini.write("General", "Busy", "True");
    struct stat link {};
    ASSERT_EQ(::lstat(dir.file("OB32PYII.INI").c_str(), &link), 0);
    EXPECT_TRUE(S_ISLNK(link.st_mode));
    EXPECT_EQ(dir.read("real/OB32PYII.INI"), "[General]\r\nBusy=True\r\n");

    // A read-only file is refused, as Windows refuses it, and stays as it was.
    const auto readOnly = dir.write("RO.INI", "[General]\r\n");
    ASSERT_EQ(::chmod(readOnly.c_str(), 0444), 0);
    ini.setFilePath(readOnly);
    try {
        ini.write("General", "Busy", "True");
        ADD_FAILURE() << "a read-only file was written";
    } catch (const ob::Failure& failure) {
        EXPECT_EQ(failure.number(), 75);
    }
    EXPECT_EQ(dir.read("RO.INI"), "[General]\r\n");
    EXPECT_EQ(statOf(readOnly).st_mode & 07777, 0444u);

    // Owner and group stay those of the file (giving them takes root).
    if (::geteuid() != 0)
        GTEST_SKIP() << "owner and group: not root";
    const auto shared = dir.write("SHARED.INI", "[General]\r\n");
    ASSERT_EQ(::chown(shared.c_str(), kNobody, kNobody), 0);
    ASSERT_EQ(::chmod(shared.c_str(), 0664), 0);
    ini.setFilePath(shared);
    ini.write("General", "Busy", "True");
    EXPECT_EQ(statOf(shared).st_uid, kNobody);
    EXPECT_EQ(statOf(shared).st_gid, kNobody);
    EXPECT_EQ(statOf(shared).st_mode & 07777, 0664u);
}

TEST(SideFiles, anotherAccountWritesAndLocksWhereverTheExchangeFileIsWritableForIt)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to act as a second account";
    TempDir dir;
    ASSERT_EQ(::chmod(dir.path().c_str(), 0777), 0);
    const auto exchange = dir.write("OB32PYII.INI", "[General]\r\n");
    ASSERT_EQ(::chmod(exchange.c_str(), 0666), 0);
    const auto instance = dir.file("OB32PYII.lck");
    // This account writes and starts first, so it creates both side files...
    ob::IniFile ini;
    ini.setFilePath(exchange);
    ini.write("General", "Busy", "False");
    ASSERT_TRUE(ob::sys::InstanceLock(instance, exchange).held());
    EXPECT_EQ(statOf(exchange + ".lock").st_mode & 0777, 0666u);
    EXPECT_EQ(statOf(instance).st_mode & 0777, 0666u);
    // ...and another file's lock is left as an older version made it: 0644.
    const auto other = dir.write("OTHER.INI", "[General]\r\n");
    ASSERT_EQ(::chmod(other.c_str(), 0666), 0);
    ASSERT_EQ(::chmod(dir.write("OTHER.INI.lock", "").c_str(), 0644), 0);
    ASSERT_EQ(::chmod(dir.write("OTHER.lck", "").c_str(), 0644), 0);

    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)
            ::_exit(9);
        int failed = 0;
        try {
            ob::IniFile mine;
            mine.setFilePath(exchange);
            mine.write("General", "Busy", "True");
            mine.setFilePath(other);
            mine.write("General", "Busy", "True");
        } catch (...) {
            failed |= 1;
        }
        if (!ob::sys::InstanceLock(instance, exchange).held())
            failed |= 2;
        if (!ob::sys::InstanceLock(dir.file("OTHER.lck"), other).held())
            failed |= 4;
        ::_exit(failed);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "1: exchange-file write, 2: instance lock, 4: another account's lock file";
    EXPECT_EQ(ob::ini::lookup(dir.read("OB32PYII.INI"), "General", "Busy"), "True");
    EXPECT_EQ(ob::ini::lookup(dir.read("OTHER.INI"), "General", "Busy"), "True");
}

#endif

TEST(SharedFile, redoesTheChangeWhenAPeerWroteInBetween)
{
    TempDir dir;
    const auto path = dir.write("x.ini", "[General]\r\nAction=\r\n");
    int calls = 0;
    const auto result = ob::ini::updateFile(path, [&](const std::string& content) {
        if (++calls == 1) {
            // A peer that ignores our lock writes while we are busy.
            dir.write("x.ini", "[General]\r\nAction=\r\n[Peer]\r\nMine=1\r\n");
        }
        return ob::ini::assign(content, "General", "Busy", "True");
    });
    EXPECT_EQ(calls, 2);
    EXPECT_EQ(result, "[General]\r\nAction=\r\nBusy=True\r\n[Peer]\r\nMine=1\r\n");
    EXPECT_EQ(dir.read("x.ini"), result);
}

TEST(SharedFile, aSnapshotTakenWhileThePeerRewritesInPlaceIsReadAgain)
{
    // The peer's profile functions truncate the file and then write it whole:
    // neither a read nor a write may take the empty moment for the file.
    const auto whole = [](const std::string& content) { return ob::ini::hasSection(content, "General"); };
    const std::string peers = "[General]\r\nAction=/OBVER\r\n[Peer]\r\nMine=1\r\n";
    for (const bool writing : {false, true}) {
        TempDir dir;
        const auto path = dir.write("x.ini", "");
        std::thread peer([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            dir.write("x.ini", peers);
        });
        std::vector<std::string> seen;
        if (writing) {
            ob::ini::updateFile(
                path,
                [&](const std::string& content) {
                    seen.push_back(content);
                    return ob::ini::assign(content, "General", "Busy", "True");
                },
                whole);
        } else {
            seen.push_back(ob::ini::readFile(path, whole));
        }
        peer.join();
        for (const auto& content : seen) {
            EXPECT_EQ(content, peers) << (writing ? "a write" : "a read") << " took a torn snapshot";
        }
        if (writing) {
            EXPECT_EQ(dir.read("x.ini"), "[General]\r\nAction=/OBVER\r\nBusy=True\r\n[Peer]\r\nMine=1\r\n");
        }
    }
}

TEST(SharedFile, anUnchangedContentIsNotRewritten)
{
    TempDir dir;
    const auto path = dir.write("x.ini", "[General]\r\nBusy=False\r\n");
    const auto before = inodeOf(path);
    ob::ini::updateFile(path, [](const std::string& content) { return content; });
    EXPECT_EQ(inodeOf(path), before);
    ob::ini::updateFile(path, [](const std::string& content) { return content + "x=1\r\n"; });
    EXPECT_NE(inodeOf(path), before);
}

TEST(SharedFile, aFailedChangeLeavesTheFileAsItWas)
{
    TempDir dir;
    const auto path = dir.write("x.ini", "[General]\r\n");
    EXPECT_THROW(ob::ini::updateFile(path, [](const std::string&) -> std::string { throw std::runtime_error("x"); }),
                 std::runtime_error);
    EXPECT_EQ(dir.read("x.ini"), "[General]\r\n");
}

TEST(SharedFile, aWriteRemovesTheTemporariesOfKilledWriters)
{
    TempDir dir;
    const auto path = dir.write("OB32PYII.INI", "[General]\r\nAction=\r\n");
    // What a writer killed between creating its temporary and renaming it leaves.
    dir.write("OB32PYII.INI.4242-0.tmp", "[General]\r\nAction=/OBLOGIN\r\n");
    dir.write("OB32PYII.INI.4242-17.tmp", "");
    // Not ours: another file's temporary, and names of another shape.
    dir.write("NEXOVA.INI.4242-0.tmp", "x");
    dir.write("OB32PYII.INI.notes.tmp", "x");
    dir.write("OB32PYII.INI.4242-0.tmp.bak", "x");

    ob::IniFile ini;
    ini.setFilePath(path);
    ini.write("General", "Busy", "True");

    EXPECT_FALSE(dir.exists("OB32PYII.INI.4242-0.tmp"));
    EXPECT_FALSE(dir.exists("OB32PYII.INI.4242-17.tmp"));
    EXPECT_TRUE(dir.exists("NEXOVA.INI.4242-0.tmp"));
    EXPECT_TRUE(dir.exists("OB32PYII.INI.notes.tmp"));
    EXPECT_TRUE(dir.exists("OB32PYII.INI.4242-0.tmp.bak"));
    EXPECT_EQ(dir.read("OB32PYII.INI"), "[General]\r\nAction=\r\nBusy=True\r\n");
}

// Linux-only: the second writer is a forked process (on Windows the peer
// test program writes through the profile functions beside the program).
#if !defined(_WIN32)
TEST(SharedFile, twoProcessesWritingAtOnceLoseNoKeyAndReadersSeeWholeFiles)
{
    TempDir dir;
    const auto path = dir.file("OB32PYII.INI");
    constexpr int kKeys = 1000;

    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        int status = 0;
        try {
            writeKeys(path, "Peer", kKeys);
        } catch (...) {
            status = 1;
        }
        ::_exit(status);
    }

    std::atomic<bool> writing{true};
    std::atomic<int> reads{0};
    std::string broken;
    std::thread reader([&] {
        std::size_t lastGeneral = 0;
        std::size_t lastPeer = 0;
        while (writing) {
            const auto content = ob::ini::readFile(path);
            std::size_t general = 0;
            std::size_t peer = 0;
            if (!isComplete(content, general, peer) || general < lastGeneral || peer < lastPeer) {
                broken = content;
                return;
            }
            lastGeneral = general;
            lastPeer = peer;
            ++reads;
        }
    });

    writeKeys(path, "General", kKeys);
    int status = -1;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    writing = false;
    reader.join();

    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(broken, "") << "a reader saw a partial or older file";
    EXPECT_GT(reads.load(), 0);
    const auto content = ob::ini::readFile(path);
    for (const char* section : {"General", "Peer"}) {
        const auto entries = ob::ini::sectionEntries(content, section);
        ASSERT_EQ(entries.size(), static_cast<std::size_t>(kKeys)) << section;
        for (int i = 0; i < kKeys; ++i) {
            EXPECT_EQ(ob::ini::lookup(content, section, "Key" + number(i)), section + number(i));
        }
    }
}
#endif
