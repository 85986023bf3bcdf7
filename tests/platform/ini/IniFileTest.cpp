#include "platform/Failure.h"
#include "platform/ini/IniFile.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>

using ob::IniFile;
using ob::test::TempDir;

namespace {

IniFile iniAt(const std::string& path, const std::string& section = "General")
{
    IniFile ini;
    ini.setFilePath(path);
    ini.setSection(section);
    return ini;
}

} // namespace

TEST(IniFile, aMissingFileReadsAsEmpty)
{
    TempDir dir;
    const auto ini = iniAt(dir.file("OB32PYII.INI"));
    bool flag = true;
    std::int16_t number = 7;
    std::string text = "x";
    bool found = true;
    ini.ReadBoolean("Busy", flag, found);
    EXPECT_FALSE(found);
    EXPECT_FALSE(flag);
    ini.ReadInteger("Count", number, found);
    EXPECT_FALSE(found);
    EXPECT_EQ(number, 0);
    ini.ReadString("Action", text, found);
    EXPECT_FALSE(found);
    EXPECT_EQ(text, "");
    EXPECT_FALSE(dir.exists("OB32PYII.INI"));
}

TEST(IniFile, theFirstWriteCreatesTheFile)
{
    TempDir dir;
    auto ini = iniAt(dir.file("OB32PYII.INI"));
    ini.WriteString("Action", "");
    ini.WriteBoolean("Busy", false);
    EXPECT_EQ(dir.read("OB32PYII.INI"), "[General]\r\nAction=\r\nBusy=False\r\n");
}

TEST(IniFile, writesReachTheFileAtOnceAndReadsGoToTheFile)
{
    TempDir dir;
    auto ini = iniAt(dir.file("x.ini"));
    ini.WriteString("Action", "/OBVER");
    dir.write("x.ini", "[General]\r\nAction=/LOCASSET\r\n");
    std::string value;
    bool found = false;
    ini.ReadString("action", value, found);
    EXPECT_TRUE(found);
    EXPECT_EQ(value, "/LOCASSET");
}

TEST(IniFile, booleansRoundTripAndAreWrittenTrueFalse)
{
    TempDir dir;
    auto ini = iniAt(dir.file("x.ini"));
    for (bool value : {true, false}) {
        ini.WriteBoolean("Busy", value);
        EXPECT_EQ(*ini.read("General", "Busy"), value ? "True" : "False");
        bool back = !value;
        bool found = false;
        ini.ReadBoolean("Busy", back, found);
        EXPECT_TRUE(found);
        EXPECT_EQ(back, value);
    }
}

TEST(IniFile, integersRoundTripInDecimal)
{
    TempDir dir;
    auto ini = iniAt(dir.file("x.ini"), "OBLogin");
    for (std::int16_t value : {std::int16_t{-1}, std::int16_t{0}, std::int16_t{32767}, std::int16_t{-32768}}) {
        ini.WriteInteger("UserLevel", value, "");
        std::int16_t back = 1;
        bool found = false;
        ini.ReadInteger("UserLevel", back, found);
        EXPECT_TRUE(found);
        EXPECT_EQ(back, value);
    }
    ini.WriteLong("Big", -2147483647 - 1);
    EXPECT_EQ(*ini.read("OBLogin", "Big"), "-2147483648");
}

TEST(IniFile, readIntegerOfAWideValueFailsWithOverflow)
{
    TempDir dir;
    auto ini = iniAt(dir.file("x.ini"), "FullResults");
    ini.WriteLong("Order", 40000);
    std::int16_t value = 0;
    bool found = false;
    try {
        ini.ReadInteger("Order", value, found);
        FAIL() << "no overflow";
    } catch (const ob::Failure& failure) {
        EXPECT_EQ(failure.number(), 6);
    }
}

TEST(IniFile, aStringWrittenReadsBackIdentical)
{
    TempDir dir;
    auto ini = iniAt(dir.file("x.ini"), "Calibration");
    const std::string value = "Ma\xDF 0,5 \xB0" "C; 'a' = \"b\"";
    ini.WriteString("Comment", value);
    std::string back;
    bool found = false;
    ini.ReadString("Comment", back, found);
    EXPECT_EQ(back, value);
}

TEST(IniFile, writingIntoAMissingFolderFailsWithFileAccess)
{
    TempDir dir;
    auto ini = iniAt(dir.file("no/such/folder/x.ini"));
    try {
        ini.WriteString("Action", "x");
        FAIL() << "no failure";
    } catch (const ob::Failure& failure) {
        EXPECT_EQ(failure.number(), 75);
    }
}

// Linux-only: POSIX file modes.
#if !defined(_WIN32)
TEST(IniFile, readingAnUnreadableFileFailsWithFileAccess)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "root reads every file";
    TempDir dir;
    const auto path = dir.write("x.ini", "[General]\r\nBusy=True\r\n");
    ::chmod(path.c_str(), 0);
    EXPECT_THROW(iniAt(path).read("General", "Busy"), ob::Failure);
}

TEST(IniFile, keepsThePermissionsOfTheFileItReplaces)
{
    TempDir dir;
    const auto path = dir.write("x.ini", "[General]\r\n");
    ::chmod(path.c_str(), 0640);
    iniAt(path).WriteString("Action", "x");
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
}
#endif

TEST(IniFile, leavesOnlyTheFileAndItsLockBehind)
{
    TempDir dir;
    auto ini = iniAt(dir.file("x.ini"));
    for (int i = 0; i < 5; ++i)
        ini.WriteBoolean("Busy", i % 2 == 0);
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"x.ini", "x.ini.lock"}));
}

TEST(IniFile, listsTheEntriesOfASection)
{
    TempDir dir;
    auto ini = iniAt(dir.file("x.ini"), "CurrentAsset");
    ini.WriteString("Model", "T-100");
    ini.WriteString("Serial", "42");
    const std::vector<std::pair<std::string, std::string>> expected = {{"Model", "T-100"}, {"Serial", "42"}};
    EXPECT_EQ(ini.entries("currentasset"), expected);
}
