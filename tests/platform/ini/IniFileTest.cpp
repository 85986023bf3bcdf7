#include "platform/ini/IniFile.h"
#include "../FailureOf.h"
#include "platform/ini/InPlaceFiles.h"
#include "support/EnvironmentVariable.h"
#include "support/TempDir.h"

#include <atomic>
#include <chrono>
#include <filesystem>
#include <gtest/gtest.h>
#include <thread>
#if !defined(_WIN32)
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

using ob::IniFile;
using ob::ini::updateFile;
using ob::test::failureOf;
using ob::test::TempDir;
namespace fs = std::filesystem;

static IniFile iniAt(const std::string& path, const std::string& section = "General")
{
    IniFile ini;
    ini.setFilePath(path);
    ini.setSection(section);
    return ini;
}

TEST(IniFile, readsAndWritesTheFileItselfEachTime)
{
    TempDir dir;
    auto ini = iniAt(dir.file("OB32PYII.INI"));
    bool flag = true, found = true, foundNumber = true, foundText = true;
    std::int16_t number = 7;
    std::string text = "x";
    ini.ReadBoolean("Busy", flag, found);
    ini.ReadInteger("Count", number, foundNumber);
    ini.ReadString("Action", text, foundText);
    EXPECT_FALSE(found || flag || foundNumber || number != 0 || foundText || text != "" || dir.exists("OB32PYII.INI"));
    ini.WriteString("Action", "");
    ini.WriteBoolean("Busy", false);
    EXPECT_EQ(dir.read("OB32PYII.INI"), "[General]\r\nAction=\r\nBusy=False\r\n");
    dir.write("OB32PYII.INI", "[General]\r\nAction=/LOCASSET\r\n");
    ini.ReadString("action", text, found);
    EXPECT_TRUE(found && text == "/LOCASSET");
    ini.WriteBoolean("Busy", true);
    ini.WriteInteger("UserLevel", -32768);
    ini.ReadBoolean("Busy", flag, found);
    ini.ReadInteger("UserLevel", number, foundNumber);
    EXPECT_TRUE(found && flag && foundNumber && number == -32768);
    ini.WriteLong("Big", -2147483647 - 1);
    EXPECT_EQ(*ini.read("General", "Big"), "-2147483648");
    ini.WriteLong("Order", 40000);
    EXPECT_EQ(failureOf([&] { ini.ReadInteger("Order", number, found); }), 6);
    // The file alone: the write lock is no file.
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), {}), 1);
    EXPECT_EQ(failureOf([&] { iniAt(dir.file("no/such/folder/x.ini")).WriteString("Action", "x"); }), 75);
}

// UTF-8 inside, the peer's code page (OB32PYII_CODEPAGE, else Windows-1252) in the file.
TEST(IniFile, textTravelsInThePeersCodePage)
{
    // Each code page by the names people give it.
    const struct { std::vector<const char*> codePages; std::string text, bytes, read; } cases[] = {
        {{nullptr}, "Łódź ā 温度", "L\xF3" "dz a ??", "Lódz a ??"}, // best fit, else '?'
        {{"1251", "CP1251", "cp1251", "Windows-1251", "WINDOWS-1251"}, "Термометр °C",
         "\xD2\xE5\xF0\xEC\xEE\xEC\xE5\xF2\xF0 \xB0" "C", "Термометр °C"},
        {{"windows-1251"}, "Thermomètre Müller Ñ", "Thermometre Muller N", "Thermometre Muller N"},
        {{"65001"}, "Grüße ā", "Grüße ā", "Grüße ā"},
        {{"99999", "cp", "1251x"}, "Grüße", "Gr\xFC\xDF" "e", "Grüße"}, // unknown: Windows-1252
    };
    const std::string peerLines = "; Pr\xFC" "fling\r\n[Calibration]\r\nTechName=J\xFCrgen\r\n";
    for (const auto& c : cases) {
        for (const char* name : c.codePages) {
            SCOPED_TRACE(std::string(name ? name : "default") + " " + c.text);
            ob::test::EnvironmentVariable codePage("OB32PYII_CODEPAGE", name);
            TempDir dir;
            auto ini = iniAt(dir.write("x.ini", peerLines), "Calibration");
            ini.WriteString("Comment", c.text);
            EXPECT_EQ(dir.read("x.ini"), peerLines + "Comment=" + c.bytes + "\r\n");
            EXPECT_EQ(*ini.read("Calibration", "Comment"), c.read);
            dir.write("x.ini", "[Calibration]\r\nComment=" + c.bytes + "\r\n");
            EXPECT_EQ(*ini.read("calibration", "comment"), c.read);
        }
    }
    // Our tools and hand edits write UTF-8, which reads as it is; names are in the code page too.
    TempDir dir;
    auto ini = iniAt(dir.write("x.ini", "[A]\r\nC=Grüße\r\n[Me\xDFstelle]\r\n"), "Meßstelle");
    EXPECT_EQ(*ini.read("A", "C"), "Grüße");
    ini.WriteString("Höhe", "1 m");
    EXPECT_EQ(dir.read("x.ini"), "[A]\r\nC=Grüße\r\n[Me\xDFstelle]\r\nH\xF6he=1 m\r\n");
    // A UTF-16LE file with a byte-order mark stays UTF-16, characters beyond U+FFFF included.
    ini = iniAt(dir.write("x.ini", ob::test::utf16le(u"[General]\r\nAction=/LOCASSET\r\n[Peer]\r\nOwn=µA 𝛀\r\n")));
    EXPECT_EQ(*ini.read("Peer", "Own"), "µA 𝛀");
    ini.WriteString("Action", "Łódź 温度 𝛀");
    EXPECT_EQ(dir.read("x.ini"), ob::test::utf16le(u"[General]\r\nAction=Łódź 温度 𝛀\r\n[Peer]\r\nOwn=µA 𝛀\r\n"));
}

TEST(IniFile, aBatchEndsAsTheSameWritesOneByOneAndAMissingSectionIsWritten)
{
    TempDir dir;
    const std::string start = "[CurrentAsset]\r\nModel=PT100\r\nSerial=S-1\r\n[Peer]\r\nMine=1\r\n";
    auto single = iniAt(dir.write("single.ini", start), "CurrentAsset");
    auto batched = iniAt(dir.write("batched.ini", start), "CurrentAsset");
    IniFile::KeyBatch keys;
    const auto writeAll = [](auto& writer) {
        writer.WriteString("AssetNumber", "A1");
        writer.WriteString("Model", " PT100 ");
        writer.WriteLong("Interval", 365);
        writer.WriteBoolean("InCal", true);
    };
    writeAll(single);
    writeAll(keys);
    batched.WriteKeys(keys);
    EXPECT_EQ(dir.read("batched.ini"), dir.read("single.ini"));
    // A file that stays without [General] (not a peer's rewrite in progress) is taken as it is.
    auto ini = iniAt(dir.write("x.ini", "[Other]\r\nKey=1\r\n"));
    ini.setRequiredSection("General");
    EXPECT_EQ(ini.read("Other", "Key"), "1");
    ini.WriteBoolean("Busy", false);
    EXPECT_EQ(dir.read("x.ini"), "[Other]\r\nKey=1\r\n[General]\r\nBusy=False\r\n");
}

// A peer rewriting the file in place leaves it empty or cut short for a moment. A read waits for the whole
// file (or takes a cut one only after it stayed so for a quiet time: then it is what the file holds); a write
// that finds no such moment within its bound fails rather than build on a cut file.
TEST(IniFile, aFileThePeerHasCutShortIsNeverTakenForTheFile)
{
    using namespace std::chrono;
    TempDir dir;
    const std::string whole = "[General]\r\nAction=/LOCASSET\r\n[CurrentAsset]\r\nModel=PT100\r\n[Peer]\r\nMine=1\r\n";
    const std::string path = dir.write("OB32PYII.INI", whole);
    auto ini = iniAt(path);
    ini.setRequiredSection("General");
    ASSERT_EQ(ini.snapshot(), whole); // its sections are now expected
    const std::string cuts[] = {"", "[General]\r\nAct", "[General]\r\nAction=/LOCASSET\r\n[CurrentAsset]\r\n",
                                whole.substr(0, whole.size() - 4)}; // every section there, its last line cut
    for (const std::string& cut : cuts) {
        dir.write("OB32PYII.INI", cut);
        std::thread peer([&] {
            std::this_thread::sleep_for(milliseconds(30));
            dir.write("OB32PYII.INI", whole);
        });
        const auto start = steady_clock::now();
        const std::string seen = ini.snapshot();
        const auto waited = steady_clock::now() - start;
        peer.join();
        EXPECT_TRUE(seen == whole || waited >= milliseconds(100)) << "taken after " << duration<double>(waited).count()
                                                                  << " s: " << seen;
        ASSERT_EQ(ini.snapshot(), whole);
    }
    // Cut short again every 3 ms, never whole.
    std::atomic<bool> writing{true};
    std::thread peer([&] {
        for (int tick = 0; writing; ++tick) {
            dir.write("OB32PYII.INI", "[General]\r\nAction=/LOCASSET\r\nTick=" + std::to_string(tick) + "\r\n");
            std::this_thread::sleep_for(milliseconds(3));
        }
    });
    int refused = 0; // a peer the system stopped for 100 ms would let one through, rightly
    for (int attempt = 0; attempt < 3; ++attempt)
        refused += failureOf([&] { ini.WriteString("Busy", "True"); }) == 75;
    writing = false;
    peer.join();
    EXPECT_GT(refused, 0) << "a write was built on a cut file";
}

TEST(SharedFile, aChangeIsMadeWholeOrNotAtAll)
{
    TempDir dir;
    const auto path = dir.write("x.ini", "[General]\r\nAction=\r\n");
    // A peer that ignores our lock writes while we are busy: the change is made again.
    int calls = 0;
    const auto result = updateFile(path, [&](const std::string& content) {
        if (++calls == 1)
            dir.write("x.ini", "[General]\r\nAction=\r\n[Peer]\r\nMine=1\r\n");
        return ob::ini::assign(content, "General", "Busy", "True");
    });
    EXPECT_TRUE(calls == 2 && dir.read("x.ini") == result);
    EXPECT_EQ(result, "[General]\r\nAction=\r\nBusy=True\r\n[Peer]\r\nMine=1\r\n");
    EXPECT_THROW(updateFile(path, [](const std::string&) -> std::string { throw std::runtime_error("x"); }),
                 std::runtime_error);
    EXPECT_EQ(dir.read("x.ini"), result);
#if !defined(_WIN32) // an unchanged content is not rewritten; a changed one replaces the file
    fs::create_hard_link(path, dir.file("twin"));
    updateFile(path, [](const std::string& content) { return content; });
    EXPECT_EQ(fs::hard_link_count(path), 2u);
    updateFile(path, [](const std::string& content) { return content + "x=1\r\n"; });
    EXPECT_EQ(fs::hard_link_count(path), 1u);
#endif
    // A write clears the temporaries of killed writers of this file, and nothing else.
    dir.write("x.ini.4242-17.tmp", "[General]\r\nAction=/OBLOGIN\r\n");
    const char* notOurs[] = {"NEXOVA.INI.4242-0.tmp", "x.ini.notes.tmp", "x.ini.4242-0.tmp.bak"};
    for (const char* name : notOurs)
        dir.write(name, "x");
    iniAt(path).write("General", "Busy", "False");
    EXPECT_FALSE(dir.exists("x.ini.4242-17.tmp"));
    for (const char* name : notOurs)
        EXPECT_TRUE(dir.exists(name)) << name;
}

// Where the folder allows no replacement (no right to create a file there) the file is rewritten in place: a
// shorter content leaves nothing of the longer one behind, and a peer's write since our look is not written over.
TEST(SharedFile, aRewriteInPlaceIsWholeAndKeepsThePeersLastWrite)
{
    TempDir dir;
    const auto path = dir.write("x.ini", "[General]\r\nAction=/CREATECAL\r\nError=a long text from before\r\n");
    ob::ini::InPlaceFiles::instance().add(path);
    updateFile(path, [](const std::string&) { return std::string("[General]\r\nAction=\r\n"); });
    EXPECT_EQ(dir.read("x.ini"), "[General]\r\nAction=\r\n");
    int calls = 0;
    updateFile(path, [&](const std::string& content) {
        if (++calls == 1)
            dir.write("x.ini", content + "[Peer]\r\nMine=1\r\n");
        return ob::ini::assign(content, "General", "Busy", "True");
    });
    EXPECT_EQ(dir.read("x.ini"), "[General]\r\nAction=\r\nBusy=True\r\n[Peer]\r\nMine=1\r\n");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), {}), 1) << "no temporary file";
}

#if !defined(_WIN32)
// A file the account may not read is a failure, never an empty exchange file.
// Root reads every file, so as root the check runs in a child that became nobody.
TEST(IniFile, aFileTheAccountCannotReadFails)
{
    TempDir dir;
    dir.write("readable.ini", "[General]\r\nBusy=True\r\n");
    ::chmod(dir.write("OB32PYII.INI", "[General]\r\nBusy=True\r\n").c_str(), 0);
    ::chmod(dir.path().c_str(), 0777); // only the file itself is out of reach
    const auto refused = [&] {
        return iniAt(dir.file("readable.ini")).read("General", "Busy") == "True" &&
               failureOf([&] { iniAt(dir.file("OB32PYII.INI")).read("General", "Busy"); }) != 0;
    };
    const pid_t child = ::geteuid() == 0 ? ::fork() : -1;
    if (child == 0)
        ::_exit(::setgid(65534) != 0 || ::setuid(65534) != 0 ? 2 : refused() ? 0 : 1);
    int status = -1;
    if (child > 0 && ::waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 2)
        GTEST_SKIP() << "running as root, and the check could not run as nobody";
    EXPECT_TRUE(child > 0 ? WIFEXITED(status) && WEXITSTATUS(status) == 0 : refused());
}

TEST(SharedFile, aReplacementKeepsWhatThePeerReliesOn)
{
    TempDir dir;
    // A link stays a link; its target gets the change.
    ASSERT_EQ(::mkdir(dir.file("real").c_str(), 0777), 0);
    dir.write("real/OB32PYII.INI", "[General]\r\n");
    ASSERT_EQ(::symlink("real/OB32PYII.INI", dir.file("OB32PYII.INI").c_str()), 0);
    iniAt(dir.file("OB32PYII.INI")).write("General", "Busy", "True");
    EXPECT_TRUE(fs::is_symlink(dir.file("OB32PYII.INI")));
    EXPECT_EQ(dir.read("real/OB32PYII.INI"), "[General]\r\nBusy=True\r\n");
    // A read-only file is refused, as Windows refuses it, and stays as it was.
    const auto readOnly = dir.write("RO.INI", "[General]\r\n");
    ASSERT_EQ(::chmod(readOnly.c_str(), 0444), 0);
    EXPECT_EQ(failureOf([&] { iniAt(readOnly).write("General", "Busy", "True"); }), 75);
    EXPECT_EQ(dir.read("RO.INI"), "[General]\r\n");
    // Owner, group and mode stay those of the file (giving them takes root).
    const auto shared = dir.write("SHARED.INI", "[General]\r\n");
    const bool root = ::geteuid() == 0 && ::chown(shared.c_str(), 65534, 65534) == 0;
    ASSERT_EQ(::chmod(shared.c_str(), 0640), 0);
    iniAt(shared).write("General", "Busy", "True");
    struct stat info {};
    ::stat(shared.c_str(), &info);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
    EXPECT_TRUE(!root || (info.st_uid == 65534 && info.st_gid == 65534));
}
#endif
