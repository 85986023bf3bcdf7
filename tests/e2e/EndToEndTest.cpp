// The real program in a Windows folder of its own, driven by ob32pyii-send as PYRALIS II drives it.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#ifndef _WIN32
#include <csignal>
#include <sys/types.h>
#endif

#include "platform/ini/IniFile.h"
#include "platform/ini/SharedFile.h"
#include "platform/system/InstanceLock.h"
#include "support/RealProgram.h"
#include "support/TempDir.h"
#include "support/TestDatabase.h"

namespace ob::test {
namespace {

using Rows = std::vector<std::vector<std::optional<std::string>>>;
const char* const kExchange = "OB32PYII.INI";
const char* const kLog = "OB32PYII.txt";
constexpr auto npos = std::string::npos;

std::optional<std::string> keyOf(const TempDir& dir, const std::string& section, const std::string& key)
{
    return ini::lookup(dir.exists(kExchange) ? dir.read(kExchange) : std::string(), section, key);
}

std::vector<std::string> logTexts(const TempDir& dir)
{
    return ob::test::logTexts(dir.read(kLog));
}

std::size_t logIndex(const TempDir& dir, const std::string& text)
{
    const auto lines = logTexts(dir);
    return static_cast<std::size_t>(std::find(lines.begin(), lines.end(), text) - lines.begin());
}

bool logHas(const TempDir& dir, const std::string& text)
{
    return logIndex(dir, text) < logTexts(dir).size();
}

// Busy False comes before the action's closing log line: wait for the log.
bool waitForLog(const TempDir& dir, const std::string& text)
{
    for (int i = 0; i < 250 && !logHas(dir, text); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    return logHas(dir, text);
}

// The sample database of tools/sample named in NEXOVA.INI; the stored login in the exchange file after `head`.
void labFolder(TestDatabase& db, TempDir& dir, const std::string& user, const std::string& password,
               const std::string& head = "")
{
    if (db.engine() == Engine::PostgreSQL)
        db.exec("SET search_path TO ob");
    for (const auto& statement : splitSqlScript(readSourceFile("tools/sample/sample-data.sql")))
        db.exec(statement);
    dir.write("NEXOVA.INI", "[database]\r\nDB_login=" + db.dbLogin() + "\r\n");
    dir.write(kExchange, head + "[OBLogin]\r\nLoginUserName=" + user + "\r\nLoginPassword=" + password + "\r\n");
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
    const char* const values[][3] = {
        {"General", "Action", ""},        {"General", "Busy", "False"},           {"General", "Error", ""},
        {"Mapping", "CoefficientsField", "2341"}, {"Mapping", "WorkOrderField", "C2399"}, {"OBVersion", "Version", ""},
        {"OBLogin", "UserLevel", "-1"},   {"OBLogin", "UserID", ""},              {"OBLogin", "UserFullName", ""},
        {"OBLogin", "Login", "True"},     {"OBLogin", "LoginUserName", "tech1"},  {"CurrentAsset", "Model", ""},
    };
    for (const auto& [section, key, value] : values)
        EXPECT_EQ(keyOf(dir, section, key), value) << section << "." << key;
    const std::string content = dir.read(kExchange);
    EXPECT_EQ(content.rfind("; written by PYRALIS II\r\n[General]\r\n", 0), 0u);
    EXPECT_NE(content.find("WorkOrderField = C2399\r\n"), npos);
    EXPECT_FALSE(logHas(dir, "Processing action /OBVER...")) << "a request left from before the start is dropped";
    EXPECT_EQ(program.terminate(), 0);
}

TEST(EndToEnd, sendRefusesWithNoProgramAndWaitsForTheEndOfStartUp)
{
    TempDir dir;
    const auto alone = send(dir.path(), {"/OBVER"});
    EXPECT_EQ(alone.exitCode, 4);
    EXPECT_EQ(std::count(alone.output.begin(), alone.output.end(), '\n'), 1) << alone.output;
    EXPECT_NE(alone.output.find("no ob32pyii is running"), npos) << alone.output;
    EXPECT_FALSE(dir.exists(kExchange)) << "a request nobody takes up is not written";

    // Hold the program in its start-up: its first write waits for the lock this test's write holds.
    std::atomic<int> step{0}; // 1: the lock is held, 2: let it go
    std::thread writer([&] {
        ini::updateFile(dir.file(kExchange), [&](const std::string& content) {
            for (step = 1; step != 2;)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            return content;
        });
    });
    while (step != 1)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    RealProgram program(dir.path());
    for (int i = 0; i < 500 && !sys::InstanceLock::isHeld(dir.file(kExchange)); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_TRUE(sys::InstanceLock::isHeld(dir.file(kExchange)));
    SendResult during;
    std::thread sender([&] { during = send(dir.path(), {"--show", "OBVersion", "/OBVER"}); });
    EXPECT_FALSE(program.waitUntilStarted(0.5)) << "the start-up waits for the lock";
    step = 2;
    writer.join();
    sender.join();
    // Sent during start-up, the action is taken up after it, not emptied by it.
    EXPECT_EQ(during.exitCode, 0) << during.output;
    EXPECT_TRUE(waitForLog(dir, "Done processing action /OBVER"));
    EXPECT_EQ(program.terminate(), 0);
}

// One program, unattended: a second instance, action words, a failing login.
TEST(EndToEnd, aRunningProgramAnswersEachRequestAndASecondInstanceTouchesNothing)
{
    TempDir dir;
    dir.write("NEXOVA.INI", "[database]\r\nDB_login=Driver=SQLite3;Database=" + dir.file("missing.db") + "\r\n");
    RealProgram program(dir.path());
    ASSERT_TRUE(program.waitUntilStarted());
    const std::string exchange = dir.read(kExchange);
    const std::string log = dir.read(kLog);
    RealProgram second(dir.path());
    EXPECT_EQ(second.waitForExit(10), 0);
    EXPECT_EQ(dir.read(kExchange), exchange);
    EXPECT_EQ(dir.read(kLog), log);
    EXPECT_TRUE(program.running());

    const auto unknown = send(dir.path(), {"/FOO"});
    EXPECT_EQ(unknown.exitCode, 1);
    EXPECT_EQ(unknown.output, "[General] Error=Unrecognized action '/FOO'\n");
    EXPECT_EQ(keyOf(dir, "General", "Busy"), "False");
    // A word is found in any case, and the last action's error emptied.
    const auto version = send(dir.path(), {"--show", "OBVersion", "x/obver"});
    EXPECT_EQ(version.exitCode, 0) << version.output;
    EXPECT_TRUE(waitForLog(dir, "Done processing action x/obver"));
    EXPECT_TRUE(logHas(dir, "orbista.exe version: "));

    const auto login = send(dir.path(), {"OBLogin.LoginUserName=tech1", "OBLogin.LoginPassword=secret", "--show",
                                         "OBLogin", "/OBLOGIN"});
    EXPECT_EQ(login.exitCode, 1);
    EXPECT_NE(login.output.find("Error=Login cancelled - the interface to the ORBISTA database is not enabled\n"), npos)
        << login.output;
    EXPECT_NE(login.output.find("Login=False\n"), npos);
    EXPECT_FALSE(dir.exists("missing.db")) << "a missing database file is an error, not a new database";
    EXPECT_TRUE(logHas(dir, "Login failed - resetting password"));
    EXPECT_TRUE(logHas(dir, "No operator display is available - the login dialog is answered as Cancel"));
    EXPECT_EQ(dir.read(kLog).find("secret"), npos);

    EXPECT_EQ(program.terminate(), 0);
}

// ob32pyii-send as a new user meets it: the usage on request, a mistyped option refused rather than sent as the
// action, and --clear removing what an earlier request left in a section before this one is written.
TEST(EndToEnd, sendShowsItsUsageRefusesUnknownOptionsAndClearsASection)
{
    TempDir dir;
    for (const char* option : {"-x", "--wait"}) {
        const auto refused = send(dir.path(), {option, "/OBVER"});
        EXPECT_EQ(refused.exitCode, 3) << option;
        EXPECT_NE(refused.output.find(std::string("unknown option ") + option), npos) << refused.output;
    }
    EXPECT_FALSE(dir.exists(kExchange));

    RealProgram program(dir.path());
    ASSERT_TRUE(program.waitUntilStarted());
    EXPECT_EQ(send(dir.path(), {"Calibration.AssetNumber=A-1001", "Calibration.Remarks=first", "/OBVER"}).exitCode, 0);
    EXPECT_EQ(send(dir.path(), {"--clear", "calibration", "Calibration.AssetNumber=A-1002", "/OBVER"}).exitCode, 0);
    EXPECT_EQ(keyOf(dir, "Calibration", "AssetNumber"), "A-1002");
    EXPECT_EQ(keyOf(dir, "Calibration", "Remarks"), std::nullopt) << "the earlier request's key is gone";
    EXPECT_EQ(keyOf(dir, "Mapping", "CoefficientsField"), "2341") << "other sections are kept";
    EXPECT_EQ(send(dir.path(), {"--clear", "Calibration", "/OBVER"}).exitCode, 0);
    EXPECT_FALSE(ini::hasSection(dir.read(kExchange), "Calibration"));
    EXPECT_EQ(program.terminate(), 0);
}

#ifndef _WIN32
// A request the program has not taken up when the wait ends is withdrawn, so it cannot run later and overwrite
// the answer to the next request.
TEST(EndToEnd, aTimedOutRequestIsWithdrawn)
{
    TempDir dir;
    RealProgram program(dir.path());
    ASSERT_TRUE(program.waitUntilStarted());
    ASSERT_EQ(::kill(static_cast<pid_t>(program.pid()), SIGSTOP), 0); // it takes nothing up
    const auto late = send(dir.path(), {"--timeout", "0.5", "/OBVER"});
    ::kill(static_cast<pid_t>(program.pid()), SIGCONT);
    EXPECT_EQ(late.exitCode, 2);
    EXPECT_NE(late.output.find("withdrawn"), npos) << late.output;
    EXPECT_EQ(keyOf(dir, "General", "Action"), "");
    std::this_thread::sleep_for(std::chrono::milliseconds(500)); // a few ticks
    EXPECT_FALSE(logHas(dir, "Processing action /OBVER..."));
    EXPECT_EQ(program.terminate(), 0);
}
#endif

class WholeCalibration : public ::testing::TestWithParam<Engine> {};

TEST_P(WholeCalibration, fromLoginToTerminationEveryRowIsRecorded)
{
    TestDatabase db(GetParam());
    TempDir dir;
    labFolder(db, dir, db.user(), db.password());
    RealProgram program(dir.path());
    ASSERT_TRUE(program.waitUntilStarted());
    const auto run = [&](std::vector<std::string> args) {
        const auto result = send(dir.path(), args);
        EXPECT_EQ(result.exitCode, 0) << args.back() << ": " << result.output;
        return result.output;
    };
    run({"/OBVER"});
    const auto login = run({"--show", "OBLogin", "/OBLOGIN"});
    EXPECT_NE(login.find("UserFullName=Orla Bistrup\n"), npos) << login;
    EXPECT_NE(login.find("Login=True\n"), npos);
    const auto asset = run({"CurrentAsset.Model=PT100-4W", "CurrentAsset.Serial=SN-70211", "CurrentAsset.Mfg=Brennhall",
                            "--show", "CurrentAsset", "/LOCASSET"});
    for (const char* line : {"AssetNumber=A-1001\n", "CTAG=A-1001:1749549600\n", "RecalDate=6/10/2027\n"})
        EXPECT_NE(asset.find(line), npos) << line << asset;
    run({"Calibration.AssetNumber=A-1001", "Calibration.StartDate=12/6/2026", "Calibration.StartTime=9:05:00 AM",
         "Calibration.AmbientTemp=23.4", "Calibration.OrderID=4711", "Calibration.Comment=it's done; -- ok",
         "Calibration.EndDate=2026-12-06", "Calibration.EndTime=10:15", "Calibration.Pass=P",
         "Calibration.Coefficients=A=3.9083E-3;B=-5.775E-7", "Mapping.CoefficientsField=2341;2344",
         "CustomCalFields.Field1=C2401", "CustomCalFields.Value1=Main lab", "/CREATECAL"});
    run({"Standards.Count=2", "Standards.AssetNumber1=STD-01", "Standards.AssetNumber2=STD-03", "/WRITESTD"});
    for (const std::string n : {"1", "2", "3"}) {
        run({"FullResults.Order=" + n, "FullResults.NumSamples=10", "FullResults.Setpoint=" + n + "00",
             "FullResults.Reference=" + (n == "2" ? "no reading" : n + "00.012"), "FullResults.UUT=" + n + "00.02",
             "FullResults.Comment=point " + n, "/CREATEFULLRES"});
    }
    run({"/FLUSHFULLRES"});
    EXPECT_NE(run({"--show", "OBLogin", "/OBLOGOUT"}).find("Login=False\n"), npos);
    run({"/TERMINATE"});
    EXPECT_EQ(program.waitForExit(), 0);

    const auto cal = db.rows("SELECT CTAG, CDSRC, C2301, C2333, C2307, C2311, C2314, C2329, C2342, C2343, C2363, "
                             "C2323, C2341, C2344, C2401 FROM ob.Calibration WHERE ATAG='T0001' AND C2301='2026-12-06'");
    ASSERT_EQ(cal.size(), 1u);
    const std::string ctag = cal[0][0].value_or("");
    EXPECT_TRUE(std::regex_match(ctag, std::regex("A-1001:[0-9]+"))) << ctag;
    EXPECT_EQ(cal, (Rows{{ctag, "PY2", "2026-12-06", "09:05:00", db.user(), "23.4", "4711", "it's done; -- ok",
                          "2026-12-06", "10:15:00", "N", "P", "A=3.9083E-3", "B=-5.775E-7", "Main lab"}}));
    EXPECT_EQ(db.rows("SELECT ATAG, C2430 FROM ob.Standards WHERE CTAG='" + ctag + "' ORDER BY C2430"),
              (Rows{{"T0001", "S0001"}, {"T0001", "S0003"}}));
    EXPECT_EQ(db.rows("SELECT row_num, expv, Sys_actual, uut_ind, remark FROM ob.Results WHERE CTAG='" + ctag +
                      "' ORDER BY row_num"),
              (Rows{{"1", "100", "100.012", "100.02", "point 1"},
                    {"2", "200", "0", "200.02", "point 2"},
                    {"3", "300", "300.012", "300.02", "point 3"}}));
    // The earlier calibrations are untouched, and no password reached the log.
    EXPECT_EQ(db.rows("SELECT CTAG FROM ob.Calibration").size(), 5u);
    EXPECT_EQ(db.rows("SELECT CTAG FROM ob.Standards").size(), 4u);
    EXPECT_TRUE(logHas(dir, "Login password: ********"));
    EXPECT_EQ(dir.read(kLog).find("pwd=" + db.password() + ";"), npos);
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
    TempDir dir;
    labFolder(db, dir, "tech1", "x");
    RealProgram program(dir.path(), {"LC_ALL=de_DE.UTF-8", "LANG=de_DE.UTF-8"});
    ASSERT_TRUE(program.waitUntilStarted());
    EXPECT_EQ(send(dir.path(), {"/OBLOGIN"}).exitCode, 0);
    const auto asset = send(dir.path(), {"CurrentAsset.Model=PT100-4W", "CurrentAsset.Serial=SN-70211",
                                         "CurrentAsset.Mfg=Brennhall", "--show", "CurrentAsset", "/LOCASSET"});
    EXPECT_NE(asset.output.find("CalDate=10.06.2026\n"), npos) << asset.output;
    EXPECT_NE(asset.output.find("RecalDate=10.06.2027\n"), npos);
    EXPECT_EQ(program.terminate(), 0);
}

// The peer's texts in Windows-1252 are stored as UTF-8; the database's reach it in Windows-1252.
TEST(EndToEnd, aPeerWritingWindows1252GetsItsOwnBytesAndTheDatabaseUtf8)
{
    TestDatabase db(Engine::SQLite);
    TempDir dir;
    labFolder(db, dir, "tech1", "x", "; f\xFCr PYRALIS II\r\n");
    db.exec("INSERT INTO ob.Inventory (ATAG, I4201, I4202, I4203, I4204, I4206, I4228, I4229) VALUES ('T0009', "
            "'A-1009', 'Brennhall', 'Thermomètre', 'Thermomètre à résistance, Ø 6 mm', 'SN-µ1', 'M', '12')");
    db.exec("INSERT INTO ob.AssetList (ATAG, I4201) VALUES ('T0009', 'A-1009')");
    const auto peerWrites = [&](const std::string& section, const std::string& key, const std::string& bytes) {
        ini::updateFile(dir.file(kExchange), [&](const std::string& c) { return ini::assign(c, section, key, bytes); });
    };
    RealProgram program(dir.path(), {"OB32PYII_CODEPAGE="});
    ASSERT_TRUE(program.waitUntilStarted());
    EXPECT_EQ(send(dir.path(), {"/OBLOGIN"}).exitCode, 0);
    peerWrites("CurrentAsset", "Model", "Thermom\xE8tre");
    peerWrites("CurrentAsset", "Serial", "SN-\xB5" "1");
    const auto asset = send(dir.path(), {"CurrentAsset.Mfg=Brennhall", "--show", "CurrentAsset", "/LOCASSET"});
    EXPECT_NE(asset.output.find("\nAssetNumber=A-1009\n"), npos) << asset.output;
    EXPECT_NE(asset.output.find("\nDescription=Thermomètre à résistance, Ø 6 mm\n"), npos);
    const std::string file = dir.read(kExchange);
    EXPECT_NE(file.find("\r\nDescription=Thermom\xE8tre \xE0 r\xE9sistance, \xD8 6 mm\r\n"), npos);
    EXPECT_EQ(file.rfind("; f\xFCr PYRALIS II\r\n", 0), 0u);
    peerWrites("Calibration", "Comment", "Gr\xFC\xDF" "e");
    EXPECT_EQ(send(dir.path(), {"Calibration.AssetNumber=A-1009", "Calibration.StartDate=12/6/2026",
                                "Calibration.StartTime=9:05:00 AM", "Calibration.EndTime=10:15", "/CREATECAL"})
                  .exitCode,
              0);
    peerWrites("FullResults", "SetpointUnits", "\xB0" "C");
    EXPECT_EQ(send(dir.path(), {"FullResults.Order=1", "FullResults.Setpoint=100", "/CREATEFULLRES"}).exitCode, 0);
    EXPECT_EQ(program.terminate(), 0);
    EXPECT_EQ(db.rows("SELECT c.C2329, r.expv_u FROM ob.Calibration c JOIN ob.Results r ON r.CTAG = c.CTAG "
                      "WHERE c.ATAG='T0009'"),
              (Rows{{"Grüße", "°C"}}));
}

} // namespace
} // namespace ob::test
