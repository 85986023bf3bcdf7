#include "IniTestUtil.h"
#include "platform/ini/InPlaceFiles.h"

using ob::ini::updateFile;

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
