#include "platform/Failure.h"
#include "platform/ini/IniFile.h"
#include "support/EnvironmentVariable.h"
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

// Text is UTF-8 inside the program and the peer's code page in the file
// (Windows-1252 unless OB32PYII_CODEPAGE names another): what the program
// writes reaches the peer as its own bytes, what the peer writes reads back
// as the same text, and the peer's other bytes stay as they were.
TEST(IniFile, textTravelsInThePeersCodePage)
{
    struct Case {
        const char* codePage;
        std::string text;  // written by the program
        std::string bytes; // in the file
        std::string read;  // the file's bytes read back
    };
    const Case cases[] = {
        {nullptr, "°C", "\xB0" "C", "°C"},
        {nullptr, "µA", "\xB5" "A", "µA"},
        {"1252", "Grüße", "Gr\xFC\xDF" "e", "Grüße"},
        {"cp1252", "Thermomètre à résistance", "Thermom\xE8tre \xE0 r\xE9sistance", "Thermomètre à résistance"},
        {nullptr, " 'Maß' = \"0,5\" ", "\" 'Ma\xDF' = \"0,5\" \"", " 'Maß' = \"0,5\" "},
        // Characters the code page lacks: Windows' best fit, else '?'.
        {nullptr, "Łódź ā 温度", "L\xF3" "dz a ??", "Lódz a ??"},
        {"1251", "Термометр °C", "\xD2\xE5\xF0\xEC\xEE\xEC\xE5\xF2\xF0 \xB0" "C", "Термометр °C"},
        {"windows-1251", "Thermomètre", "Thermometre", "Thermometre"},
        {"65001", "Grüße ā", "Grüße ā", "Grüße ā"},
        // A code page the system cannot convert counts as Windows-1252.
        {"99999", "Grüße", "Gr\xFC\xDF" "e", "Grüße"},
    };
    const std::string peerLines = "; Pr\xFC" "fling\r\n[Calibration]\r\nTechName=J\xFCrgen\r\n";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        ob::test::EnvironmentVariable codePage("OB32PYII_CODEPAGE", c.codePage);
        TempDir dir;
        const auto path = dir.write("x.ini", peerLines);
        auto ini = iniAt(path, "Calibration");
        ini.WriteString("Comment", c.text);
        EXPECT_EQ(dir.read("x.ini"), peerLines + "Comment=" + c.bytes + "\r\n");
        EXPECT_EQ(*ini.read("Calibration", "Comment"), c.read);

        dir.write("x.ini", "[Calibration]\r\nComment=" + c.bytes + "\r\n");
        EXPECT_EQ(*ini.read("calibration", "comment"), c.read);
    }

    // Our own tools and hand edits write UTF-8, which reads as it is; names
    // follow the same rule as values.
    TempDir dir;
    const auto path = dir.write("x.ini", "[Calibration]\r\nComment=Grüße\r\n[Me\xDFstelle]\r\nOrt=Z\xFCrich\r\n");
    auto ini = iniAt(path, "Meßstelle");
    EXPECT_EQ(*ini.read("Calibration", "Comment"), "Grüße");
    EXPECT_EQ(*ini.read("Meßstelle", "Ort"), "Zürich");
    ini.WriteString("Höhe", "1 m");
    EXPECT_EQ(dir.read("x.ini"), "[Calibration]\r\nComment=Grüße\r\n[Me\xDFstelle]\r\nOrt=Z\xFCrich\r\nH\xF6he=1 m\r\n");
    const std::vector<std::pair<std::string, std::string>> entries = {{"Ort", "Zürich"}, {"Höhe", "1 m"}};
    EXPECT_EQ(ini.entries("Meßstelle"), entries);
}

// Windows' profile functions read and write a UTF-16LE file with a
// byte-order mark as UTF-16; so does the program, keeping the peer's keys.
TEST(IniFile, aUtf16FileIsReadAndWrittenAsUtf16)
{
    const auto utf16File = [](std::u16string_view text) {
        std::string out = "\xFF\xFE";
        for (const char16_t c : text) {
            out += static_cast<char>(c & 0xFF);
            out += static_cast<char>(c >> 8);
        }
        return out;
    };
    TempDir dir;
    const auto path = dir.write("x.ini", utf16File(u"; PYRALIS II\r\n[General]\r\nAction=/LOCASSET\r\n[CurrentAsset]\r\n"
                                                   u"Model=Thermomètre à résistance\r\n[Peer]\r\nOwn=µA 𝛀\r\n"));
    auto ini = iniAt(path, "CurrentAsset");
    EXPECT_EQ(*ini.read("General", "Action"), "/LOCASSET");
    EXPECT_EQ(*ini.read("CurrentAsset", "Model"), "Thermomètre à résistance");
    ini.write("General", "Action", "");
    ini.WriteString("Description", "Łódź ā 温度");
    EXPECT_EQ(dir.read("x.ini"), utf16File(u"; PYRALIS II\r\n[General]\r\nAction=\r\n[CurrentAsset]\r\nModel=Thermomètre à "
                                           u"résistance\r\nDescription=Łódź ā 温度\r\n[Peer]\r\nOwn=µA 𝛀\r\n"));
    const std::vector<std::pair<std::string, std::string>> entries = {{"Own", "µA 𝛀"}};
    EXPECT_EQ(ini.entries("Peer"), entries);
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

TEST(IniFile, aBatchEndsAsTheSameWritesOneByOne)
{
    TempDir dir;
    const std::string start = "[CurrentAsset]\r\nModel=PT100\r\nSerial=S-1\r\n[Peer]\r\nMine=1\r\n";
    auto single = iniAt(dir.write("single.ini", start), "CurrentAsset");
    auto batched = iniAt(dir.write("batched.ini", start), "CurrentAsset");
    IniFile::KeyBatch keys;
    single.WriteString("AssetNumber", "A1");
    keys.WriteString("AssetNumber", "A1");
    single.WriteString("Model", " PT100 ");
    keys.WriteString("Model", " PT100 ");
    single.WriteLong("Interval", 365, "");
    keys.WriteLong("Interval", 365, "");
    single.WriteBoolean("InCal", true);
    keys.WriteBoolean("InCal", true);
    batched.WriteKeys(keys);
    EXPECT_EQ(dir.read("batched.ini"), dir.read("single.ini"));
}

TEST(IniFile, aFileThatStaysWithoutTheRequiredSectionIsTakenAsItIs)
{
    // Not a peer's rewrite in progress (that lasts a moment): the file holds
    // no [General]. Reads give what is there and a write restores it, so the
    // handshake goes on.
    TempDir dir;
    auto ini = iniAt(dir.write("x.ini", "[Other]\r\nKey=1\r\n"));
    ini.setRequiredSection("General");
    EXPECT_EQ(ini.read("Other", "Key"), "1");
    ini.WriteBoolean("Busy", false);
    EXPECT_EQ(dir.read("x.ini"), "[Other]\r\nKey=1\r\n[General]\r\nBusy=False\r\n");
}

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
