// The real program, started in a Windows folder of its own and driven by
// ob32pyii-send exactly as PYRALIS II drives it.

#include <gtest/gtest.h>

#if defined(_WIN32)
#include "platform/win32/Wide.h"
#else
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#endif

#include <chrono>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "platform/ini/IniFile.h"
#include "platform/ini/SharedFile.h"
#include "platform/system/InstanceLock.h"
#include "support/RealProgram.h"
#include "support/TempDir.h"
#include "support/TestDatabase.h"

namespace ob::test {
namespace {

const char* const kExchange = "OB32PYII.INI";
const char* const kLog = "OB32PYII.txt";

// Holds the exchange file's write lock, as a writer in the middle of its step.
class HeldWriteLock {
public:
    explicit HeldWriteLock(const std::string& path)
    {
#if defined(_WIN32)
        m_file = win32::UniqueHandle(::CreateFileW(win32::wide(path).c_str(), GENERIC_READ | GENERIC_WRITE,
                                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                                   OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        OVERLAPPED region{};
        m_held = m_file && ::LockFileEx(m_file.get(), LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &region);
#else
        m_fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
        m_held = m_fd >= 0 && ::flock(m_fd, LOCK_EX) == 0;
#endif
    }
    ~HeldWriteLock() { release(); }
    HeldWriteLock(const HeldWriteLock&) = delete;
    HeldWriteLock& operator=(const HeldWriteLock&) = delete;

    bool held() const { return m_held; }
    void release()
    {
#if defined(_WIN32)
        m_file.reset();
#else
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
#endif
    }

private:
#if defined(_WIN32)
    win32::UniqueHandle m_file;
#else
    int m_fd = -1;
#endif
    bool m_held = false;
};

std::optional<std::string> keyOf(const TempDir& dir, const std::string& section, const std::string& key)
{
    return ini::lookup(dir.exists(kExchange) ? dir.read(kExchange) : std::string(), section, key);
}

// The log's texts without their time stamps.
std::vector<std::string> logTexts(const TempDir& dir)
{
    std::vector<std::string> out;
    const std::string text = dir.read(kLog);
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find("\r\n", start);
        if (end == std::string::npos) {
            end = text.size();
        }
        const std::string line = text.substr(start, end - start);
        const auto tab = line.find('\t');
        out.push_back(tab == std::string::npos ? line : line.substr(tab + 1));
        start = end + 2;
    }
    return out;
}

bool logHas(const TempDir& dir, const std::string& text)
{
    const auto lines = logTexts(dir);
    return std::find(lines.begin(), lines.end(), text) != lines.end();
}

std::size_t logIndex(const TempDir& dir, const std::string& text)
{
    const auto lines = logTexts(dir);
    return static_cast<std::size_t>(std::find(lines.begin(), lines.end(), text) - lines.begin());
}

// The program writes Busy False before its closing log line, so the peer can
// see the end of an action a moment before the log does.
bool waitForLog(const TempDir& dir, const std::string& text)
{
    for (int i = 0; i < 250; ++i) {
        if (logHas(dir, text)) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

TEST(EndToEnd, startUpWritesTheStartValuesAndKeepsEverythingElse)
{
    TempDir dir;
    dir.write(kExchange, "; written by PYRALIS II\r\n"
                         "[General]\r\nAction=/OBVER\r\nBusy=True\r\nError=old failure\r\n\r\n"
                         "[Mapping]\r\nWorkOrderField = C2399\r\n"
                         "[OBVersion]\r\nVersion=7.0.0.300\r\n"
                         "[OBLogin]\r\nLoginUserName=tech1\r\nLogin=True\r\nUserLevel=5\r\nUserID=tech1\r\n"
                         "[CurrentAsset]\r\nModel=PT100\r\n");
    RealProgram program(dir.path());
    ASSERT_TRUE(program.waitUntilStarted());

    EXPECT_EQ(keyOf(dir, "General", "Action"), "");
    EXPECT_EQ(keyOf(dir, "General", "Busy"), "False");
    EXPECT_EQ(keyOf(dir, "General", "Error"), "");
    EXPECT_EQ(keyOf(dir, "Mapping", "CoefficientsField"), "2341");
    EXPECT_EQ(keyOf(dir, "Mapping", "WorkOrderField"), "C2399");
    EXPECT_EQ(keyOf(dir, "OBVersion", "Version"), "");
    EXPECT_EQ(keyOf(dir, "OBLogin", "UserLevel"), "-1");
    EXPECT_EQ(keyOf(dir, "OBLogin", "UserID"), "");
    EXPECT_EQ(keyOf(dir, "OBLogin", "UserFullName"), "");
    EXPECT_EQ(keyOf(dir, "OBLogin", "Login"), "True") << "the last run's login flag stays";
    EXPECT_EQ(keyOf(dir, "OBLogin", "LoginUserName"), "tech1");
    EXPECT_EQ(keyOf(dir, "CurrentAsset", "Model"), "");
    const std::string content = dir.read(kExchange);
    EXPECT_EQ(content.rfind("; written by PYRALIS II\r\n[General]\r\n", 0), 0u);
    EXPECT_NE(content.find("WorkOrderField = C2399\r\n"), std::string::npos);
    // The request left from before the start is dropped, not run.
    EXPECT_FALSE(logHas(dir, "Processing action /OBVER..."));
    const auto first = logTexts(dir).front();
    EXPECT_TRUE(std::regex_match(first, std::regex(".*/OB32PYII\\.txt created .+"))) << first;

    EXPECT_EQ(send(dir.path(), {"/TERMINATE"}).exitCode, 0);
    EXPECT_EQ(program.waitForExit(), 0);
}

TEST(EndToEnd, sendRefusesWithNoProgramAndWaitsForTheEndOfStartUp)
{
    TempDir dir;
    const auto alone = send(dir.path(), {"/OBVER"});
    EXPECT_EQ(alone.exitCode, 4);
    EXPECT_EQ(std::count(alone.output.begin(), alone.output.end(), '\n'), 1) << alone.output;
    EXPECT_NE(alone.output.find("no ob32pyii is running"), std::string::npos) << alone.output;
    EXPECT_FALSE(dir.exists(kExchange)) << "a request nobody takes up is not written";

    // Hold the program in its start-up: its first write of a start value
    // waits for the exchange file's lock, which this test holds.
    HeldWriteLock held(dir.file("OB32PYII.INI.lock"));
    ASSERT_TRUE(held.held());
    RealProgram program(dir.path());
    for (int i = 0; i < 500 && sys::InstanceLock::holderProcess(dir.file("OB32PYII.lck")) != program.pid(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    ASSERT_EQ(sys::InstanceLock::holderProcess(dir.file("OB32PYII.lck")), program.pid());
    SendResult during;
    std::thread sender([&] { during = send(dir.path(), {"--show", "OBVersion", "/OBVER"}); });
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    held.release();
    sender.join();
    // Sent during start-up, the action is taken up after it, not emptied by it.
    EXPECT_EQ(during.exitCode, 0) << during.output;
    EXPECT_TRUE(waitForLog(dir, "Done processing action /OBVER"));
    EXPECT_EQ(send(dir.path(), {"/TERMINATE"}).exitCode, 0);
    EXPECT_EQ(program.waitForExit(), 0);
}

TEST(EndToEnd, aBlankActionLeavesTheFileUntouched)
{
    TempDir dir;
    RealProgram program(dir.path());
    ASSERT_TRUE(program.waitUntilStarted());
    IniFile ini;
    ini.setFilePath(dir.file(kExchange));
    ini.write("General", "Action", "   ");
    const std::string before = dir.read(kExchange);
    const auto logBefore = logTexts(dir).size();
    std::this_thread::sleep_for(std::chrono::milliseconds(2500));
    EXPECT_EQ(dir.read(kExchange), before);
    EXPECT_EQ(logTexts(dir).size(), logBefore);
    ini.write("General", "Action", "/TERMINATE");
    EXPECT_EQ(program.waitForExit(), 0);
}

TEST(EndToEnd, actionWordsAreFoundInAnyCaseAndUnknownWordsReported)
{
    TempDir dir;
    RealProgram program(dir.path());
    ASSERT_TRUE(program.waitUntilStarted());

    const auto unknown = send(dir.path(), {"/FOO"});
    EXPECT_EQ(unknown.exitCode, 1);
    EXPECT_EQ(unknown.output, "[General] Error=Unrecognized action '/FOO'\n");
    EXPECT_EQ(keyOf(dir, "General", "Busy"), "False");
    ASSERT_TRUE(waitForLog(dir, "Done processing action /FOO"));
    const auto at = logIndex(dir, "Processing action /FOO...");
    const auto lines = logTexts(dir);
    ASSERT_LT(at + 3, lines.size());
    EXPECT_EQ(lines[at + 1], "");
    EXPECT_EQ(lines[at + 2], "Unrecognized action '/FOO'");
    EXPECT_EQ(lines[at + 3], "Done processing action /FOO");

    // The error of one action is emptied when the next is taken up.
    const auto version = send(dir.path(), {"--show", "OBVersion", "x/obver"});
    EXPECT_EQ(version.exitCode, 0) << version.output;
    EXPECT_TRUE(logHas(dir, "Processing action x/obver..."));
    EXPECT_TRUE(waitForLog(dir, "Done processing action x/obver"));
    EXPECT_TRUE(logHas(dir, "orbista.exe version: "));

    // Of several words the last of the action list wins: only the termination runs.
    EXPECT_EQ(send(dir.path(), {"/OBLOGIN /TERMINATE"}).exitCode, 0);
    EXPECT_EQ(program.waitForExit(), 0);
    EXPECT_FALSE(logHas(dir, "Login()- GetVersion()..."));
    EXPECT_TRUE(logHas(dir, "Disabling action timer..."));
    EXPECT_TRUE(logHas(dir, "Terminated..."));
}

TEST(EndToEnd, aSecondInstanceEndsAtOnceAndTouchesNothing)
{
    TempDir dir;
    RealProgram first(dir.path());
    ASSERT_TRUE(first.waitUntilStarted());
    const std::string exchange = dir.read(kExchange);
    const std::string log = dir.read(kLog);

    RealProgram second(dir.path());
    EXPECT_EQ(second.waitForExit(10), 0);
    EXPECT_EQ(dir.read(kExchange), exchange);
    EXPECT_EQ(dir.read(kLog), log);
    EXPECT_TRUE(first.running());

    EXPECT_EQ(send(dir.path(), {"/TERMINATE"}).exitCode, 0);
    EXPECT_EQ(first.waitForExit(), 0);
}

TEST(EndToEnd, aFailingLoginWithoutAnOperatorEndsInsteadOfWaiting)
{
    TempDir dir;
    dir.write("NEXOVA.INI", "[database]\r\nDB_login=Driver=SQLite3;Database=" + dir.file("missing.db") + "\r\n");
    dir.write(kExchange, "[OBLogin]\r\nLoginUserName=tech1\r\nLoginPassword=secret\r\n");
    RealProgram program(dir.path());
    ASSERT_TRUE(program.waitUntilStarted());

    const auto login = send(dir.path(), {"--show", "OBLogin", "/OBLOGIN"});
    EXPECT_EQ(login.exitCode, 1);
    EXPECT_NE(login.output.find("Error=Login cancelled - the interface to the ORBISTA database is not enabled\n"),
              std::string::npos)
        << login.output;
    EXPECT_NE(login.output.find("Login=False\n"), std::string::npos);
    EXPECT_FALSE(dir.exists("missing.db")) << "a missing database file is an error, not a new database";
    EXPECT_TRUE(logHas(dir, "Login failed - resetting password"));
    EXPECT_TRUE(logHas(dir, "No operator display is available - the login dialog is answered as Cancel"));
    EXPECT_EQ(dir.read(kLog).find("secret"), std::string::npos);

    EXPECT_EQ(send(dir.path(), {"/TERMINATE"}).exitCode, 0);
    EXPECT_EQ(program.waitForExit(), 0);
}

// A calibration laboratory's database: the sample rows of tools/sample.
class WholeCalibration : public ::testing::TestWithParam<Engine> {
protected:
    void SetUp() override
    {
        db = std::make_unique<TestDatabase>(GetParam());
        if (GetParam() == Engine::PostgreSQL) {
            db->exec("SET search_path TO ob");
        }
        for (const auto& statement : splitSqlScript(readSourceFile("tools/sample/sample-data.sql"))) {
            db->exec(statement);
        }
        // The test server's login role is a user of the sample rows.
        ASSERT_EQ(db->rows("SELECT Name FROM ob.UserList WHERE obuser='" + db->user() + "'").size(), 1u);
        dir.write("NEXOVA.INI", "[database]\r\nDB_login=" + db->dbLogin() + "\r\n");
        dir.write(kExchange, "[OBLogin]\r\nLoginUserName=" + db->user() + "\r\nLoginPassword=" + db->password() +
                                 "\r\n");
    }

    std::unique_ptr<TestDatabase> db;
    TempDir dir;
};

TEST_P(WholeCalibration, fromLoginToTerminationEveryRowIsRecorded)
{
    RealProgram program(dir.path());
    ASSERT_TRUE(program.waitUntilStarted());
    const auto run = [&](std::vector<std::string> args) {
        const auto result = send(dir.path(), args);
        EXPECT_EQ(result.exitCode, 0) << args.back() << ": " << result.output;
        return result;
    };

    run({"/OBVER"});
    const auto login = run({"--show", "OBLogin", "/OBLOGIN"});
    EXPECT_NE(login.output.find("UserFullName=Orla Bistrup\n"), std::string::npos) << login.output;
    EXPECT_NE(login.output.find("Login=True\n"), std::string::npos);

    const auto asset = run({"CurrentAsset.Model=PT100-4W", "CurrentAsset.Serial=SN-70211",
                            "CurrentAsset.Mfg=Brennhall", "--show", "CurrentAsset", "/LOCASSET"});
    EXPECT_NE(asset.output.find("AssetNumber=A-1001\n"), std::string::npos) << asset.output;
    EXPECT_NE(asset.output.find("CTAG=A-1001:1749549600\n"), std::string::npos);
    EXPECT_NE(asset.output.find("RecalDate=6/10/2027\n"), std::string::npos);

    run({"Calibration.AssetNumber=A-1001", "Calibration.StartDate=12/6/2026", "Calibration.StartTime=9:05:00 AM",
         "Calibration.AmbientTemp=23.4", "Calibration.OrderID=4711", "Calibration.Comment=it's done; -- ok",
         "Calibration.EndDate=2026-12-06", "Calibration.EndTime=10:15", "Calibration.Pass=P",
         "Calibration.Coefficients=A=3.9083E-3;B=-5.775E-7", "Mapping.CoefficientsField=2341;2344",
         "CustomCalFields.Field1=C2401", "CustomCalFields.Value1=Main lab", "/CREATECAL"});
    run({"Standards.Count=2", "Standards.AssetNumber1=STD-01", "Standards.AssetNumber2=STD-03", "/WRITESTD"});
    for (int point = 1; point <= 3; ++point) {
        const std::string n = std::to_string(point);
        run({"FullResults.Order=" + n, "FullResults.NumSamples=10", "FullResults.Setpoint=" + n + "00",
             "FullResults.Reference=" + std::string(point == 2 ? "no reading" : n + "00.012"),
             "FullResults.UUT=" + n + "00.02", "FullResults.Comment=point " + n, "/CREATEFULLRES"});
    }
    run({"/FLUSHFULLRES"});
    const auto logout = run({"--show", "OBLogin", "/OBLOGOUT"});
    EXPECT_NE(logout.output.find("Login=False\n"), std::string::npos);
    run({"/TERMINATE"});
    EXPECT_EQ(program.waitForExit(), 0);

    const auto cal = db->rows("SELECT CTAG, CDSRC, C2301, C2333, C2307, C2311, C2314, C2329, C2342, C2343, C2363, "
                              "C2323, C2341, C2344, C2401 FROM ob.Calibration WHERE ATAG='T0001' AND C2301='2026-12-06'");
    ASSERT_EQ(cal.size(), 1u);
    const auto& row = cal[0];
    ASSERT_TRUE(row[0].has_value());
    const std::string ctag = *row[0];
    EXPECT_TRUE(std::regex_match(ctag, std::regex("A-1001:[0-9]+"))) << ctag;
    const std::vector<std::optional<std::string>> expected{
        ctag,     "PY2",  "2026-12-06", "09:05:00",    db->user(),    "23.4",       "4711", "it's done; -- ok",
        "2026-12-06", "10:15:00", "N", "P", "A=3.9083E-3", "B=-5.775E-7", "Main lab"};
    EXPECT_EQ(row, expected);

    const auto standards = db->rows("SELECT ATAG, C2430 FROM ob.Standards WHERE CTAG='" + ctag + "' ORDER BY C2430");
    const std::vector<std::vector<std::optional<std::string>>> expectedStandards{{"T0001", "S0001"},
                                                                                 {"T0001", "S0003"}};
    EXPECT_EQ(standards, expectedStandards);

    const auto results = db->rows("SELECT row_num, expv, Sys_actual, uut_ind, remark FROM ob.Results WHERE CTAG='" +
                                  ctag + "' ORDER BY row_num");
    const std::vector<std::vector<std::optional<std::string>>> expectedResults{
        {"1", "100", "100.012", "100.02", "point 1"},
        {"2", "200", "0", "200.02", "point 2"},
        {"3", "300", "300.012", "300.02", "point 3"}};
    EXPECT_EQ(results, expectedResults);

    // The earlier calibrations are untouched, and no password reached the log.
    EXPECT_EQ(db->rows("SELECT CTAG FROM ob.Calibration").size(), 5u);
    EXPECT_EQ(db->rows("SELECT CTAG FROM ob.Standards").size(), 4u);
    EXPECT_TRUE(logHas(dir, "Login password: ********"));
    EXPECT_EQ(dir.read(kLog).find("pwd=" + db->password() + ";"), std::string::npos);
    EXPECT_LT(logIndex(dir, "Logging out..."), logIndex(dir, "Disabling action timer..."));
}

INSTANTIATE_TEST_SUITE_P(Engines, WholeCalibration, ::testing::ValuesIn(TestDatabase::engines()), engineName);

TEST(EndToEnd, theProgramFollowsTheLocaleItIsStartedUnder)
{
#if defined(_WIN32)
    GTEST_SKIP() << "Linux-only: Wine builds the user locale from the host's C library locales, and a test machine "
                    "has only C";
#endif
    TestDatabase db(Engine::SQLite);
    for (const auto& statement : splitSqlScript(readSourceFile("tools/sample/sample-data.sql"))) {
        db.exec(statement);
    }
    TempDir dir;
    dir.write("NEXOVA.INI", "[database]\r\nDB_login=" + db.dbLogin() + "\r\n");
    dir.write(kExchange, "[OBLogin]\r\nLoginUserName=tech1\r\nLoginPassword=x\r\n");
    RealProgram program(dir.path(), {"LC_ALL=de_DE.UTF-8", "LANG=de_DE.UTF-8"});
    ASSERT_TRUE(program.waitUntilStarted());
    EXPECT_EQ(send(dir.path(), {"/OBLOGIN"}).exitCode, 0);
    const auto asset = send(dir.path(), {"CurrentAsset.Model=PT100-4W", "CurrentAsset.Serial=SN-70211",
                                         "CurrentAsset.Mfg=Brennhall", "--show", "CurrentAsset", "/LOCASSET"});
    EXPECT_NE(asset.output.find("CalDate=10.06.2026\n"), std::string::npos) << asset.output;
    EXPECT_NE(asset.output.find("RecalDate=10.06.2027\n"), std::string::npos);
    EXPECT_EQ(send(dir.path(), {"/TERMINATE"}).exitCode, 0);
    EXPECT_EQ(program.waitForExit(), 0);

    const std::string log = dir.read(kLog);
    EXPECT_TRUE(std::regex_search(log, std::regex("^[0-9]{2}\\.[0-9]{2}\\.[0-9]{4} [0-9]{2}:[0-9]{2}:[0-9]{2}\t")))
        << log.substr(0, 80);
    EXPECT_TRUE(logHas(dir, "Current asset cal due: 10.06.2027 10:00:00"));
}

// A Windows peer writes its ANSI code page (Windows-1252 unless
// OB32PYII_CODEPAGE names another): its texts are found and stored as UTF-8,
// the database's texts reach it in its code page, and ob32pyii-send shows
// UTF-8 whatever the file holds.
TEST(EndToEnd, aPeerWritingWindows1252GetsItsOwnBytesAndTheDatabaseUtf8)
{
    TestDatabase db(Engine::SQLite);
    for (const auto& statement : splitSqlScript(readSourceFile("tools/sample/sample-data.sql"))) {
        db.exec(statement);
    }
    db.exec("INSERT INTO ob.Inventory (ATAG, I4201, I4202, I4203, I4204, I4206, I4228, I4229) VALUES ('T0009', "
            "'A-1009', 'Brennhall', 'Thermomètre', 'Thermomètre à résistance, Ø 6 mm', 'SN-µ1', 'M', '12')");
    db.exec("INSERT INTO ob.AssetList (ATAG, I4201) VALUES ('T0009', 'A-1009')");
    TempDir dir;
    dir.write("NEXOVA.INI", "[database]\r\nDB_login=" + db.dbLogin() + "\r\n");
    dir.write(kExchange, "; f\xFCr PYRALIS II\r\n[OBLogin]\r\nLoginUserName=tech1\r\nLoginPassword=x\r\n");
    const auto peerWrites = [&](const std::string& section, const std::string& key, const std::string& bytes) {
        ini::updateFile(dir.file(kExchange),
                        [&](const std::string& content) { return ini::assign(content, section, key, bytes); });
    };
    RealProgram program(dir.path(), {"OB32PYII_CODEPAGE="});
    ASSERT_TRUE(program.waitUntilStarted());
    EXPECT_EQ(send(dir.path(), {"/OBLOGIN"}).exitCode, 0);

    peerWrites("CurrentAsset", "Model", "Thermom\xE8tre");
    peerWrites("CurrentAsset", "Serial", "SN-\xB5" "1");
    const auto asset = send(dir.path(), {"CurrentAsset.Mfg=Brennhall", "--show", "CurrentAsset", "/LOCASSET"});
    EXPECT_NE(asset.output.find("\nAssetNumber=A-1009\n"), std::string::npos) << asset.output;
    EXPECT_NE(asset.output.find("\nDescription=Thermomètre à résistance, Ø 6 mm\n"), std::string::npos);
    const std::string file = dir.read(kExchange);
    EXPECT_NE(file.find("\r\nDescription=Thermom\xE8tre \xE0 r\xE9sistance, \xD8 6 mm\r\n"), std::string::npos);
    EXPECT_EQ(file.rfind("; f\xFCr PYRALIS II\r\n", 0), 0u);

    peerWrites("Calibration", "Comment", "Gr\xFC\xDF" "e");
    const auto created = send(dir.path(), {"Calibration.AssetNumber=A-1009", "Calibration.StartDate=12/6/2026",
                                           "Calibration.StartTime=9:05:00 AM", "Calibration.EndTime=10:15",
                                           "/CREATECAL"});
    EXPECT_EQ(created.exitCode, 0) << created.output;
    peerWrites("FullResults", "SetpointUnits", "\xB0" "C");
    const auto result = send(dir.path(), {"FullResults.Order=1", "FullResults.Setpoint=100", "/CREATEFULLRES"});
    EXPECT_EQ(result.exitCode, 0) << result.output;
    EXPECT_EQ(send(dir.path(), {"/TERMINATE"}).exitCode, 0);
    EXPECT_EQ(program.waitForExit(), 0);

    const std::vector<std::vector<std::optional<std::string>>> stored{{"Grüße", "°C"}};
    EXPECT_EQ(db.rows("SELECT c.C2329, r.expv_u FROM ob.Calibration c JOIN ob.Results r ON r.CTAG = c.CTAG "
                      "WHERE c.ATAG='T0009'"),
              stored);
}

// Windows' profile functions keep a UTF-16LE file with a byte-order mark in
// UTF-16; the program, its start-up included, does the same.
TEST(EndToEnd, aUtf16ExchangeFileStaysUtf16)
{
    const auto utf16 = [](std::u16string_view text) {
        std::string out = "\xFF\xFE";
        for (const char16_t c : text) {
            out += static_cast<char>(c & 0xFF);
            out += static_cast<char>(c >> 8);
        }
        return out;
    };
    TempDir dir;
    dir.write(kExchange, utf16(u"; PYRALIS II\r\n[General]\r\nAction=\r\n[Peer]\r\nProbe=Thermomètre Ø 6 mm\r\n"));
    RealProgram program(dir.path());
    ASSERT_TRUE(program.waitUntilStarted());
    const auto shown = send(dir.path(), {"--show", "Peer", "/OBVER"});
    EXPECT_EQ(shown.exitCode, 0) << shown.output;
    EXPECT_NE(shown.output.find("\nProbe=Thermomètre Ø 6 mm\n"), std::string::npos) << shown.output;
    EXPECT_EQ(send(dir.path(), {"/TERMINATE"}).exitCode, 0);
    EXPECT_EQ(program.waitForExit(), 0);

    const std::string file = dir.read(kExchange);
    EXPECT_EQ(file.rfind(utf16(u"; PYRALIS II\r\n[General]\r\nAction=\r\nBusy=False\r\nError=\r\n"), 0), 0u);
    EXPECT_NE(file.find(utf16(u"[Peer]\r\nProbe=Thermomètre Ø 6 mm\r\n").substr(2)), std::string::npos);
    EXPECT_NE(file.find(utf16(u"[OBVersion]\r\nVersion=\r\n").substr(2)), std::string::npos);
    EXPECT_EQ(file.size() % 2, 0u);
    EXPECT_EQ(file.find("[General]"), std::string::npos) << "no line in one-byte text";
}

} // namespace
} // namespace ob::test
