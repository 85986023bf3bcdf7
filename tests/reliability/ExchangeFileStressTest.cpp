// The exchange file under stress: two processes overwriting their own keys
// thousands of times while a third reads, writers killed with SIGKILL at
// random moments of their writes, and a peer that rewrites the file in place
// without a lock while the link runs actions. Nothing written may be lost, no
// reader may see a partial file, and a killed writer leaves each key old or new.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <map>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "platform/ini/IniFile.h"
#include "platform/ini/SharedFile.h"
#include "reliability/Reliability.h"
#include "support/LinkFixture.h"
#include "support/TempDir.h"
#include "support/TestDatabase.h"

namespace ob::test {
namespace {

std::string number(long n)
{
    char buffer[24];
    return std::string(buffer, std::to_chars(buffer, buffer + sizeof buffer, n).ptr);
}

long numberAfter(const std::string& text, std::size_t prefix)
{
    long n = -1;
    if (text.size() > prefix)
        std::from_chars(text.data() + prefix, text.data() + text.size(), n);
    return n;
}

// Lines a peer wrote in its own style; no write of this program may touch them.
const std::string kPeerLines = "; written by PYRALIS II\r\n"
                               "[Calibration]\r\n"
                               "  Comment = keep me  \r\n"
                               "\r\n";
const std::string kSeed = "[General]\r\nAction=\r\nBusy=False\r\nError=\r\n\r\n" + kPeerLines;

// A whole file: ends with a line break, every line a header, comment, blank or
// key=value, the peer's lines in place byte for byte.
bool isWhole(const std::string& content)
{
    if (content.size() < 2 || content.compare(content.size() - 2, 2, "\r\n") != 0)
        return false;
    if (content.find(kPeerLines) == std::string::npos)
        return false;
    for (std::size_t pos = 0; pos < content.size();) {
        const auto end = content.find("\r\n", pos);
        const std::string line = content.substr(pos, end - pos);
        if (!line.empty() && line[0] != '[' && line[0] != ';' && line.find('=') == std::string::npos)
            return false;
        pos = end + 2;
    }
    return ini::lookup(content, "Calibration", "Comment") == "keep me";
}

[[noreturn]] void childFails(int code, const std::string& why)
{
    std::fprintf(stderr, "writer %d: %s\n", static_cast<int>(::getpid()), why.c_str());
    ::_exit(code);
}

constexpr int kKeysPerWriter = 20;

// One writer: `writes` overwrites of its keys <prefix>0..19 in [General] with
// <prefix><write number>. After each write its own key must read back; every
// tenth write it checks that the peer's values never went backwards.
void writer(const std::string& path, const std::string& prefix, const std::string& peer, int writes)
{
    try {
        IniFile ini;
        ini.setFilePath(path);
        ini.setSection("General");
        std::map<std::string, long> peerSeen;
        for (int i = 0; i < writes; ++i) {
            const std::string key = prefix + number(i % kKeysPerWriter);
            const std::string value = prefix + number(i);
            ini.WriteString(key, value);
            std::string back;
            bool found = false;
            ini.ReadString(key, back, found);
            if (!found || back != value)
                childFails(3, "own write lost: " + key + "=" + value + " reads " + back);
            if (i % 10 != 0)
                continue;
            const std::string content = ini::readFile(path);
            if (!isWhole(content))
                childFails(4, "partial file read");
            for (const auto& [k, v] : ini::sectionEntries(content, "General")) {
                if (k.rfind(peer, 0) != 0)
                    continue;
                const long n = numberAfter(v, peer.size());
                if (n < peerSeen[k])
                    childFails(5, "the peer's " + k + " went back from " + number(peerSeen[k]) + " to " + v);
                peerSeen[k] = n;
            }
        }
    } catch (const std::exception& e) {
        childFails(6, e.what());
    }
    ::_exit(0);
}

pid_t forkWriter(const std::string& path, const std::string& prefix, const std::string& peer, int writes)
{
    const pid_t pid = ::fork();
    if (pid == 0)
        writer(path, prefix, peer, writes);
    return pid;
}

int exitCodeOf(pid_t pid)
{
    int status = 0;
    if (::waitpid(pid, &status, 0) != pid)
        return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

TEST(ExchangeFileStress, twoWritersOverwritingTheirKeysLoseNothingAndEveryReadParses)
{
    TempDir dir;
    const std::string path = dir.write("OB32PYII.INI", kSeed);
    constexpr int kWrites = 2500; // per writer

    const pid_t a = forkWriter(path, "WA", "WB", kWrites);
    ASSERT_GT(a, 0);
    const pid_t b = forkWriter(path, "WB", "WA", kWrites);
    ASSERT_GT(b, 0);

    // The third party reads as fast as it can: whole files only, and no key
    // of either writer ever goes back to an older value.
    std::atomic<bool> writing{true};
    long reads = 0;
    std::string broken;
    std::thread reader([&] {
        std::map<std::string, long> seen;
        while (writing) {
            const std::string content = ini::readFile(path);
            ++reads;
            if (!isWhole(content)) {
                broken = "partial file: " + content;
                return;
            }
            for (const auto& [k, v] : ini::sectionEntries(content, "General")) {
                if (k.rfind("WA", 0) != 0 && k.rfind("WB", 0) != 0)
                    continue;
                const long n = numberAfter(v, 2);
                if (n < seen[k]) {
                    broken = k + " went back to " + v;
                    return;
                }
                seen[k] = n;
            }
        }
    });
    const int codeA = exitCodeOf(a);
    const int codeB = exitCodeOf(b);
    writing = false;
    reader.join();

    EXPECT_EQ(codeA, 0);
    EXPECT_EQ(codeB, 0);
    EXPECT_EQ(broken, "");
    const std::string content = ini::readFile(path);
    ASSERT_TRUE(isWhole(content));
    for (const std::string prefix : {"WA", "WB"}) {
        for (int k = 0; k < kKeysPerWriter; ++k) {
            const long last = kWrites - kKeysPerWriter + k;
            EXPECT_EQ(ini::lookup(content, "General", prefix + number(k)), prefix + number(last));
        }
    }
    EXPECT_EQ(ini::sectionEntries(content, "General").size(), 3u + 2 * kKeysPerWriter);
    EXPECT_GT(reads, 0);
    reportSize(number(2 * kWrites) + " writes by 2 processes (" + number(2 * kWrites) +
               " read-backs, " + number(2 * kWrites / 10) + " whole-file checks), " + number(reads) +
               " reads by a third party; no write lost, every read whole");
}

// State of the ten keys Key0..Key9 of [Kill].
std::vector<std::string> killKeys(const std::string& content)
{
    std::vector<std::string> values;
    for (int j = 0; j < 10; ++j)
        values.push_back(ini::lookup(content, "Kill", "Key" + number(j)).value_or("<missing>"));
    return values;
}

std::size_t leftoverTemporaries(const std::string& folder)
{
    std::size_t n = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (entry.path().extension() == ".tmp")
            ++n;
    }
    return n;
}

TEST(ExchangeFileKill, aWriterKilledAtRandomLeavesEachKeyOldOrNew)
{
    TempDir dir;
    std::string seed = kSeed + "[Kill]\r\n";
    for (int j = 0; j < 10; ++j)
        seed += "Key" + number(j) + "=start\r\n";
    const std::string path = dir.write("OB32PYII.INI", seed);

    constexpr int kRounds = 200;
    constexpr int kMaxWrites = 400; // per round: far more than fit before the kill
    const unsigned seedValue = std::random_device{}();
    std::mt19937 random(seedValue);
    std::uniform_int_distribution<int> delay(0, 8000); // microseconds; a write takes about 500

    int midway = 0;
    int finished = 0;
    long writesSeen = 0;
    std::vector<std::string> previous = killKeys(seed);
    for (int round = 0; round < kRounds; ++round) {
        const std::string tag = "r" + number(round) + "-";
        // The child says when its first write is done, so the random delay
        // counts from there: on a loaded machine the fork alone can outlast it.
        int started[2];
        ASSERT_EQ(::pipe(started), 0);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::close(started[0]);
            try {
                IniFile ini;
                ini.setFilePath(path);
                ini.setSection("Kill");
                for (int s = 0; s < kMaxWrites; ++s) {
                    ini.WriteString("Key" + number(s % 10), tag + number(s));
                    if (s == 0 && ::write(started[1], "1", 1) != 1)
                        ::_exit(1);
                }
            } catch (...) {
                ::_exit(1);
            }
            ::_exit(0);
        }
        ::close(started[1]);
        char byte = 0;
        const auto got = ::read(started[0], &byte, 1);
        ::close(started[0]);
        ASSERT_EQ(got, 1) << "the writer failed before its first write in round " << round;
        ::usleep(static_cast<useconds_t>(delay(random)));
        ::kill(child, SIGKILL);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        if (WIFEXITED(status)) {
            ASSERT_EQ(WEXITSTATUS(status), 0) << "the writer failed in round " << round;
            ++finished;
        }

        const std::string content = ini::readFile(path);
        ASSERT_TRUE(isWhole(content)) << "round " << round << " (seed " << seedValue << "):\n" << content;
        ASSERT_EQ(ini::sectionEntries(content, "General").size(), 3u);
        const auto now = killKeys(content);
        // The file must be the state after some prefix 0..last of the writes.
        long last = -1;
        for (const auto& v : now) {
            if (v.rfind(tag, 0) == 0)
                last = std::max(last, numberAfter(v, tag.size()));
        }
        for (int j = 0; j < 10; ++j) {
            std::string expected = previous[static_cast<std::size_t>(j)];
            for (long s = last; s >= 0; --s) {
                if (s % 10 == j) {
                    expected = tag + number(s);
                    break;
                }
            }
            ASSERT_EQ(now[static_cast<std::size_t>(j)], expected)
                << "Key" << j << " in round " << round << " (seed " << seedValue << ")";
        }
        ASSERT_GE(last, 0) << "the first write, done before the kill, was lost in round " << round;
        if (!WIFEXITED(status))
            ++midway;
        writesSeen += last + 1;
        previous = now;
    }
    EXPECT_GT(midway, kRounds / 2) << "most kills should land among the writes";
    // The last kill may leave a temporary; the next write of anyone clears it.
    const std::size_t temporaries = leftoverTemporaries(dir.path());
    EXPECT_LE(temporaries, 1u) << "each write clears the temporaries of killed writers";
    IniFile ini;
    ini.setFilePath(path);
    ini.write("General", "Busy", "False");
    EXPECT_EQ(leftoverTemporaries(dir.path()), 0u);
    reportSize(number(kRounds) + " SIGKILLs (" + number(midway) + " among the writes, " + number(finished) +
               " after the last), " + number(writesSeen) +
               " completed writes checked; random seed " + number(seedValue) +
               "; every file whole, every key old or new, " + number(static_cast<long>(temporaries)) +
               " temporary file(s) left before the next write, none after it");
}

// PYRALIS II's side as the Windows profile functions write: read the file,
// then truncate it, pause, and write it whole again, without a lock, in a
// tight loop; each rewrite sets its own [Peer] Tick. A byte on `orders` makes
// the next rewrite carry Action=/LOCASSET and is answered on `done` once it is
// in the file; end of `orders` ends the loop. Reports on `done`: rewrites and
// how many of its Ticks were gone when it next read the file.
[[noreturn]] void inPlacePeer(const std::string& path, int orders, int done)
{
    long rewrites = 0;
    long lost = 0;
    bool sendAction = false;
    for (;;) {
        char order = 0;
        const auto got = ::read(orders, &order, 1);
        if (got == 0)
            break;
        if (got == 1)
            sendAction = true;
        std::string content = ini::readFile(path); // whole: the only writer in place is this one
        if (rewrites > 0 && ini::lookup(content, "Peer", "Tick") != number(rewrites))
            ++lost;
        content = ini::assign(content, "Peer", "Tick", number(++rewrites));
        if (sendAction)
            content = ini::assign(content, "General", "Action", "/LOCASSET");
        const int fd = ::open(path.c_str(), O_WRONLY | O_TRUNC);
        if (fd < 0)
            childFails(7, "cannot open the file in place");
        ::usleep(100); // the moment the file is empty
        if (::write(fd, content.data(), content.size()) != static_cast<ssize_t>(content.size()))
            childFails(8, "short write");
        ::close(fd);
        if (sendAction) {
            sendAction = false;
            [[maybe_unused]] const auto w = ::write(done, "a", 1);
        }
        ::usleep(300);
    }
    const std::string report = number(rewrites) + " " + number(lost);
    [[maybe_unused]] const auto w = ::write(done, report.data(), report.size());
    ::_exit(0);
}

TEST(ExchangeFilePeerInPlace, actionsReadTheirRequestWholeAndTheFileStaysWhole)
{
    TestDatabase db(Engine::SQLite);
    db.exec("INSERT INTO ob.UserList (obuser, OBLevel, Name) VALUES ('tech1', 3, 'Chris')");
    db.exec("INSERT INTO ob.Inventory (ATAG, I4201, I4202, I4203, I4206) VALUES ('T1', 'A1', 'Hart', 'PT100', "
            "'S-1')");
    LinkFixture f;
    const std::string path = f.dir.write("OB32PYII.INI", kSeed);
    f.start();
    ASSERT_EQ(f.login(db.dbLogin(), "tech1", "pw"), "");
    f.set("CurrentAsset", "Model", "PT100");
    f.set("CurrentAsset", "Serial", "S-1");
    f.set("CurrentAsset", "Mfg", "Hart");
    const std::size_t linesBefore = f.logLines().size();

    int orders[2];
    int done[2];
    ASSERT_EQ(::pipe(orders), 0);
    ASSERT_EQ(::pipe(done), 0);
    const pid_t peer = ::fork();
    ASSERT_GE(peer, 0);
    if (peer == 0) {
        ::close(orders[1]);
        ::close(done[0]);
        ::fcntl(orders[0], F_SETFL, O_NONBLOCK);
        inPlacePeer(path, orders[0], done[1]);
    }
    ::close(orders[0]);
    ::close(done[1]);

    constexpr int kActions = 20;
    const auto whole = [](const std::string& content) { return ini::hasSection(content, "General"); };
    std::string damaged;
    for (int i = 0; i < kActions && damaged.empty(); ++i) {
        char ack = 0;
        ASSERT_EQ(::write(orders[1], "a", 1), 1);
        ASSERT_EQ(::read(done[0], &ack, 1), 1);
        f.link().OnTimerTick();
        const std::string content = ini::readFile(path, whole);
        if (!isWhole(content) || ini::lookup(content, "OBLogin", "LoginUserName") != "tech1" ||
            ini::lookup(content, "Mapping", "CoefficientsField") != "2341" || !ini::hasSection(content, "OBVersion"))
            damaged = content;
    }
    ::close(orders[1]);
    char report[64] = {};
    ASSERT_GT(::read(done[0], report, sizeof report - 1), 0);
    ::close(done[0]);
    ASSERT_EQ(exitCodeOf(peer), 0);

    EXPECT_EQ(damaged, "") << "a write was built on a torn snapshot";
    int located = 0;
    const auto lines = f.logLines();
    for (std::size_t i = linesBefore; i < lines.size(); ++i) {
        if (lines[i].rfind("Locating asset (", 0) != 0)
            continue;
        ++located;
        EXPECT_EQ(lines[i], "Locating asset (PT100,S-1,Hart)...") << "a request read from a torn snapshot";
    }
    EXPECT_GE(located, kActions);
    const std::string figures(report);
    const auto space = figures.find(' ');
    reportSize(number(kActions) + " /LOCASSET actions while a peer rewrote the file in place " +
               figures.substr(0, space) + " times (truncate, 100 us, write); every request read whole, the file "
               "whole after each action; peer keys lost between the last check and a rename: " +
               figures.substr(space + 1));
}

} // namespace
} // namespace ob::test
