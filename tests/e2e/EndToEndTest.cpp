// The real program in a Windows folder of its own, driven by ob32pyii-send as PYRALIS II drives it; on Linux also
// as an operator's account runs it on a lab PC: the exchange file and the log writable for it, the folder not (or
// shared and sticky), and PYRALIS II (here root, through ob32pyii-send) writing the same file.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <regex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#ifndef _WIN32
#include <csignal>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "platform/ini/FileText.h"
#include "platform/ini/IniFile.h"
#include "platform/ini/SharedFile.h"
#include "platform/system/InstanceLock.h"
#include "support/RealProgram.h"

namespace ob::test {
namespace {

using Rows = std::vector<std::vector<std::optional<std::string>>>;
const char* const kExchange = "OB32PYII.INI";
const char* const kLog = "OB32PYII.txt";
constexpr auto npos = std::string::npos;
// The keys that find the sample database's asset A-1001.
const std::vector<std::string> kSampleAsset{"CurrentAsset.Model=PT100-4W", "CurrentAsset.Serial=SN-70211",
                                            "CurrentAsset.Mfg=Brennhall"};

std::optional<std::string> keyOf(const TempDir& dir, const std::string& section, const std::string& key)
{
    return ini::lookup(dir.exists(kExchange) ? dir.read(kExchange) : std::string(), section, key);
}

bool logHas(const TempDir& dir, const std::string& text)
{
    const auto lines = logTexts(dir.read(kLog));
    return std::find(lines.begin(), lines.end(), text) != lines.end();
}

// Busy False comes before the action's closing log line: wait for the log.
bool waitForLog(const TempDir& dir, const std::string& text)
{
    for (int i = 0; i < 250 && !logHas(dir, text); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    return logHas(dir, text);
}

// Sends a request that must succeed; returns what the tool printed.
std::string sendOk(const TempDir& dir, std::vector<std::string> arguments, const std::vector<std::string>& keys = {})
{
    arguments.insert(arguments.begin(), keys.begin(), keys.end());
    const auto result = send(dir.path(), arguments);
    EXPECT_EQ(result.exitCode, 0) << arguments.back() << ": " << result.output;
    return result.output;
}

// The next start keeps the previous run's log: earlier logs are what support reads when a lab calls about
// yesterday's calibration.
TEST(EndToEnd, startUpWritesTheStartValuesAndKeepsEverythingElseAndThePreviousLog)
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
    // clang-format off
    const char* const values[][3] = {
        {"General", "Action", ""},        {"General", "Busy", "False"},           {"General", "Error", ""},
        {"Mapping", "CoefficientsField", "2341"}, {"Mapping", "WorkOrderField", "C2399"}, {"OBVersion", "Version", ""},
        {"OBLogin", "UserLevel", "-1"},   {"OBLogin", "UserID", ""},              {"OBLogin", "UserFullName", ""},
        {"OBLogin", "Login", "True"},     {"OBLogin", "LoginUserName", "tech1"},  {"CurrentAsset", "Model", ""}};
    // clang-format on
    for (const auto& [section, key, value] : values)
        EXPECT_EQ(keyOf(dir, section, key), value) << section << "." << key;
    const std::string content = dir.read(kExchange);
    EXPECT_EQ(content.rfind("; written by PYRALIS II\r\n[General]\r\n", 0), 0u);
    EXPECT_NE(content.find("WorkOrderField = C2399\r\n"), npos);
    EXPECT_FALSE(logHas(dir, "Processing action /OBVER...")) << "a request left from before the start is dropped";
    EXPECT_EQ(program.terminate(), 0);

    const std::string firstLog = dir.read(kLog);
    RealProgram again(dir.path());
    ASSERT_TRUE(again.waitUntilStarted());
    std::vector<std::string> kept;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(dir.file("state"))) // the history
        if (entry.is_regular_file())
            kept.push_back(dir.read(std::filesystem::relative(entry.path(), dir.path()).string()));
    EXPECT_EQ(kept, std::vector<std::string>{firstLog});
    EXPECT_EQ(again.terminate(), 0);
}

// A request nobody takes up is not written, nor a mistyped option sent as the action; sent during the start-up,
// a request is taken up after it, not emptied by it; one not taken up in time is withdrawn. Then one program,
// unattended: a start with nowhere to keep the earlier log, a second instance, requests answered as they
// are written, action words, a failing login written key by key, --clear removing what an earlier request left in
// a section before this one is written.
TEST(EndToEnd, sendWaitsForTheStartUpAndTheProgramAnswersEachRequestOnceWhileASecondInstanceTouchesNothing)
{
    TempDir dir;
    dir.write("NEXOVA.INI", "[database]\r\nDB_login=Driver=SQLite3;Database=" + dir.file("missing.db") + "\r\n");
    dir.write(kLog, "the log of an earlier run\r\n");
    dir.write("state", "a file where the history folder should be");
    const auto alone = send(dir.path(), {"/OBVER"});
    EXPECT_EQ(alone.exitCode, 4) << alone.output;
    for (const char* option : {"-x", "--wait"})
        EXPECT_EQ(send(dir.path(), {option, "/OBVER"}).exitCode, 3) << option;
    EXPECT_FALSE(dir.exists(kExchange));

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
    EXPECT_EQ(during.exitCode, 0) << during.output;
    EXPECT_TRUE(waitForLog(dir, "Done processing action /OBVER"));
#ifndef _WIN32
    // A request the program has not taken up when the wait ends is withdrawn, so it cannot run later and overwrite
    // the answer to the next request.
    ASSERT_EQ(::kill(static_cast<pid_t>(program.pid()), SIGSTOP), 0); // it takes nothing up
    const auto late = send(dir.path(), {"--timeout", "0.5", "/OBLOGOUT"});
    ::kill(static_cast<pid_t>(program.pid()), SIGCONT);
    EXPECT_EQ(late.exitCode, 2) << late.output;
    EXPECT_EQ(keyOf(dir, "General", "Action"), "");
    std::this_thread::sleep_for(std::chrono::milliseconds(500)); // a few ticks
    EXPECT_FALSE(logHas(dir, "Processing action /OBLOGOUT..."));
#endif

    ASSERT_TRUE(program.waitUntilStarted()) << "a log that cannot be kept stopped the start";
    EXPECT_EQ(dir.read("state"), "a file where the history folder should be");
    const std::string exchangeAndLog = dir.read(kExchange) + dir.read(kLog);
    RealProgram second(dir.path());
    EXPECT_EQ(second.waitForExit(10), 0);
    EXPECT_EQ(dir.read(kExchange) + dir.read(kLog), exchangeAndLog);
    EXPECT_TRUE(program.running());

    // How fast an answer comes is measured in bench/ (turnaround), not here.
    const auto unknown = send(dir.path(), {"/FOO"});
    EXPECT_EQ(unknown.exitCode, 1);
    EXPECT_EQ(unknown.output, "[General] Error=Unrecognized action '/FOO'\n");
    EXPECT_EQ(keyOf(dir, "General", "Busy"), "False");
    // A word is found in any case, and the last action's error emptied.
    sendOk(dir, {"--show", "OBVersion", "x/obver"});
    EXPECT_TRUE(waitForLog(dir, "Done processing action x/obver"));

    // The peer writes a login's keys one at a time (each a rewrite of the file), Action last, while another reader
    // polls: the request is read with all its keys, and Busy False never comes before the answer.
    IniFile peer;
    peer.setFilePath(dir.file(kExchange));
    peer.setRequiredSection("General");
    peer.write("OBLogin", "LoginUserName", "tech1");
    std::atomic<bool> watching{true};
    std::vector<std::string> seen;
    std::thread reader([&] {
        IniFile look = peer;
        while (watching) {
            seen.push_back(look.snapshot());
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    });
    for (const char* key : {"LoginPassword", "Unused1", "Unused2"}) {
        peer.write("OBLogin", key, "secret");
        std::this_thread::sleep_for(std::chrono::milliseconds(3)); // shorter than the settle time
    }
    peer.write("General", "Action", "/OBLOGIN");
    EXPECT_TRUE(waitForLog(dir, "Done processing action /OBLOGIN")); // logged once Busy False is in the file
    watching = false;
    reader.join();
    const std::string answer = peer.snapshot();
    EXPECT_EQ(ini::lookupText(answer, "OBLogin", "Login"), "False");
    EXPECT_NE(ini::lookupText(answer, "General", "Error").value_or(""), "");
    bool busySeen = false;
    for (const auto& content : seen) {
        const auto busy = ini::lookupText(content, "General", "Busy");
        busySeen = busySeen || busy == "True";
        if (busySeen && busy == "False") {
            EXPECT_NE(ini::lookupText(content, "General", "Error").value_or(""), "")
                << "Busy False before the answer:\n"
                << content;
        }
    }
    EXPECT_TRUE(busySeen);
    EXPECT_TRUE(waitForLog(dir, "Login user name: tech1")) << "the request was read before its keys";
    EXPECT_FALSE(dir.exists("missing.db")) << "a missing database file is an error, not a new database";
    EXPECT_EQ(dir.read(kLog).find("secret"), npos);

    sendOk(dir, {"Calibration.AssetNumber=A-1001", "Calibration.Remarks=first", "/OBVER"});
    sendOk(dir, {"--clear", "calibration", "Calibration.AssetNumber=A-1002", "/OBVER"});
    EXPECT_EQ(keyOf(dir, "Calibration", "AssetNumber"), "A-1002");
    EXPECT_EQ(keyOf(dir, "Calibration", "Remarks"), std::nullopt) << "the earlier request's key is gone";
    EXPECT_EQ(keyOf(dir, "Mapping", "CoefficientsField"), "2341") << "other sections are kept";
    sendOk(dir, {"--clear", "Calibration", "/OBVER"});
    EXPECT_FALSE(ini::hasSection(dir.read(kExchange), "Calibration"));
    EXPECT_EQ(program.terminate(), 0);
}

// A whole calibration of the sample asset A-1001 as PYRALIS II sends it, from the start of `program` in the lab
// folder `dir` to its termination; then every row it wrote, each once, and the earlier calibrations untouched.
void calibrateAndCheckTheRows(TestDatabase& db, const TempDir& dir, RealProgram& program)
{
    ASSERT_TRUE(program.waitUntilStarted()) << "the program did not start";
    sendOk(dir, {"/OBVER"});
    const auto login = sendOk(dir, {"--show", "OBLogin", "/OBLOGIN"});
    EXPECT_NE(login.find("UserFullName=Orla Bistrup\n"), npos) << login;
    EXPECT_NE(login.find("Login=True\n"), npos);
    const auto asset = sendOk(dir, {"--show", "CurrentAsset", "/LOCASSET"}, kSampleAsset);
    for (const char* line : {"AssetNumber=A-1001\n", "CTAG=A-1001:1749549600\n", "RecalDate=6/10/2027\n"})
        EXPECT_NE(asset.find(line), npos) << line << asset;
    sendOk(dir,
           {"Calibration.AssetNumber=A-1001", "Calibration.StartDate=12/6/2026", "Calibration.StartTime=9:05:00 AM",
            "Calibration.AmbientTemp=23.4", "Calibration.OrderID=4711", "Calibration.Comment=it's done; -- ok",
            "Calibration.EndDate=2026-12-06", "Calibration.EndTime=10:15", "Calibration.Pass=P",
            "Calibration.Coefficients=A=3.9083E-3;B=-5.775E-7", "Mapping.CoefficientsField=2341;2344",
            "CustomCalFields.Field1=C2401", "CustomCalFields.Value1=Main lab", "/CREATECAL"});
    sendOk(dir, {"Standards.Count=2", "Standards.AssetNumber1=STD-01", "Standards.AssetNumber2=STD-03", "/WRITESTD"});
    for (const std::string n : {"1", "2", "3"}) {
        sendOk(dir, {"FullResults.Order=" + n, "FullResults.NumSamples=10", "FullResults.Setpoint=" + n + "00",
                     "FullResults.Reference=" + (n == "2" ? "no reading" : n + "00.012"),
                     "FullResults.UUT=" + n + "00.02", "FullResults.Comment=point " + n, "/CREATEFULLRES"});
    }
    sendOk(dir, {"/FLUSHFULLRES"});
    EXPECT_NE(sendOk(dir, {"--show", "OBLogin", "/OBLOGOUT"}).find("Login=False\n"), npos);
    sendOk(dir, {"/TERMINATE"});
    EXPECT_EQ(program.waitForExit(), 0);

    const auto cal =
        db.rows("SELECT CTAG, CDSRC, C2301, C2333, C2307, C2311, C2314, C2329, C2342, C2343, C2363, "
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
    EXPECT_EQ(dir.read(kLog).find("pwd=" + db.password() + ";"), npos);
}

class WholeCalibration : public ::testing::TestWithParam<Engine> {};

TEST_P(WholeCalibration, fromLoginToTerminationEveryRowIsRecorded)
{
    TestDatabase db(GetParam());
    TempDir dir;
    labFolder(db, dir, db.user(), db.password());
    RealProgram program(dir.path());
    calibrateAndCheckTheRows(db, dir, program);
}

INSTANTIATE_TEST_SUITE_P(Engines, WholeCalibration, ::testing::ValuesIn(TestDatabase::engines()), engineName);

#ifndef _WIN32
// Linux only: Wine builds the user locale from the host's C library locales, and a test machine has only C.
TEST(EndToEnd, theProgramFollowsTheLocaleItIsStartedUnder)
{
    TestDatabase db(Engine::SQLite);
    TempDir dir;
    labFolder(db, dir, "tech1", "x");
    RealProgram program(dir.path(), {"LC_ALL=de_DE.UTF-8", "LANG=de_DE.UTF-8"});
    ASSERT_TRUE(program.waitUntilStarted());
    sendOk(dir, {"/OBLOGIN"});
    const auto asset = sendOk(dir, {"--show", "CurrentAsset", "/LOCASSET"}, kSampleAsset);
    EXPECT_NE(asset.find("CalDate=10.06.2026\n"), npos) << asset;
    EXPECT_EQ(program.terminate(), 0);
}
#endif

// The peer's texts in Windows-1252 are stored as UTF-8; the database's reach it in Windows-1252. The file is not
// watched: each request waits for the one-second tick.
TEST(EndToEnd, aPeerWritingWindows1252GetsItsOwnBytesAndTheDatabaseUtf8AndTheTickServes)
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
    RealProgram program(dir.path(), {"OB32PYII_CODEPAGE=", "OB32PYII_WATCH=off"});
    ASSERT_TRUE(program.waitUntilStarted());
    const auto start = std::chrono::steady_clock::now();
    sendOk(dir, {"/OBLOGIN"});
    peerWrites("CurrentAsset", "Model", "Thermom\xE8tre");
    peerWrites("CurrentAsset", "Serial", std::string("SN-\xB5") + "1");
    const auto asset = sendOk(dir, {"CurrentAsset.Mfg=Brennhall", "--show", "CurrentAsset", "/LOCASSET"});
    EXPECT_GT(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), 0.5)
        << "the watch was not off: the tick went untested";
    EXPECT_NE(asset.find("\nDescription=Thermomètre à résistance, Ø 6 mm\n"), npos) << asset;
    const std::string file = dir.read(kExchange);
    EXPECT_NE(file.find("\r\nDescription=Thermom\xE8tre \xE0 r\xE9sistance, \xD8 6 mm\r\n"), npos);
    EXPECT_EQ(file.rfind("; f\xFCr PYRALIS II\r\n", 0), 0u);
    peerWrites("Calibration", "Comment", std::string("Gr\xFC\xDF") + "e");
    sendOk(dir, {"Calibration.AssetNumber=A-1009", "Calibration.StartDate=12/6/2026",
                 "Calibration.StartTime=9:05:00 AM", "Calibration.EndTime=10:15", "/CREATECAL"});
    peerWrites("FullResults", "SetpointUnits", std::string("\xB0") + "C");
    sendOk(dir, {"FullResults.Order=1", "FullResults.Setpoint=100", "/CREATEFULLRES"});
    EXPECT_EQ(program.terminate(), 0);
    EXPECT_EQ(db.rows("SELECT c.C2329, r.expv_u FROM ob.Calibration c JOIN ob.Results r ON r.CTAG = c.CTAG "
                      "WHERE c.ATAG='T0009'"),
              (Rows{{"Grüße", "°C"}}));
}

#ifndef _WIN32
namespace fs = std::filesystem;

const std::vector<std::string> kAsOperator{"/usr/bin/setpriv", "--reuid=65534", "--regid=65534", // nobody / nogroup
                                           "--clear-groups"};

// The lab folder as IT leaves it: the exchange file and the log writable for the operator, `folderMode` for the
// folder itself, and a SQLite database the operator may write (the driver creates its journal beside it).
void operatorsLabFolder(TestDatabase& db, TempDir& dir, mode_t folderMode)
{
    labFolder(db, dir, db.user(), db.password());
    const fs::path file = db.database();
    fs::permissions(file.parent_path(), fs::perms::all);
    fs::permissions(file,
                    fs::perms::owner_all | fs::perms::group_all | fs::perms::others_read | fs::perms::others_write);
    dir.write(kLog, "");
    for (const char* name : {kExchange, kLog})
        ASSERT_EQ(::chmod(dir.file(name).c_str(), 0666), 0);
    ASSERT_EQ(::chmod(dir.path().c_str(), folderMode), 0);
}

std::set<std::string> filesIn(const TempDir& dir)
{
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir.path()))
        names.insert(entry.path().filename().string());
    return names;
}

int count(TestDatabase& db, const std::string& table)
{
    return std::stoi(db.rows("SELECT count(*) FROM ob." + table)[0][0].value_or(""));
}

// Then the operator loses the right to write the exchange file while PYRALIS II keeps it: a request the program
// cannot take up waits, and runs once when the file is writable again.
TEST(OperatorAccount, aWholeCalibrationWhereOnlyTheFilesAreWritableWritesEveryRowOnce)
{
    if (::geteuid() != 0 || !fs::exists("/usr/bin/setpriv"))
        GTEST_SKIP() << "needs root and setpriv to run the program as another account";
    const std::pair<const char*, mode_t> folders[] = {{"a folder the operator may not create files in", 0755},
                                                      {"a shared folder with the sticky bit", 01777}};
    for (const auto& [what, mode] : folders) {
        SCOPED_TRACE(what);
        TestDatabase db(Engine::SQLite);
        TempDir dir;
        operatorsLabFolder(db, dir, mode);
        const auto before = filesIn(dir);
        TempDir home; // the operator's own folder, where earlier logs go
        ASSERT_EQ(::chmod(home.path().c_str(), 0777), 0);
        RealProgram program(dir.path(), {"XDG_STATE_HOME=" + home.path()}, kAsOperator);
        calibrateAndCheckTheRows(db, dir, program);
        EXPECT_EQ(filesIn(dir), before) << "the program created a file in the folder";
        struct stat info {};
        ASSERT_EQ(::stat(dir.file(kExchange).c_str(), &info), 0);
        EXPECT_EQ(info.st_uid, 0u) << "the exchange file changed hands";
        EXPECT_EQ(info.st_mode & 0777, 0666u);
        if (mode != 0755)
            continue;

        RealProgram again(dir.path(), {"XDG_STATE_HOME=" + home.path()}, kAsOperator);
        ASSERT_TRUE(again.waitUntilStarted());
        sendOk(dir, {"/OBLOGIN"});
        sendOk(dir, {"Calibration.AssetNumber=A-1001", "Calibration.StartDate=12/7/2026",
                     "Calibration.StartTime=9:05:00 AM", "Calibration.EndTime=10:15", "/CREATECAL"});
        const int results = count(db, "Results");
        ASSERT_EQ(::chmod(dir.file(kExchange).c_str(), 0644), 0);
        SendResult answer;
        std::thread peer([&] { answer = send(dir.path(), {"FullResults.Order=1", "/CREATEFULLRES"}); });
        std::this_thread::sleep_for(std::chrono::milliseconds(2500)); // two ticks and more
        EXPECT_EQ(count(db, "Results"), results) << "a request whose take-up is not in the file ran";
        ASSERT_EQ(::chmod(dir.file(kExchange).c_str(), 0666), 0);
        peer.join();
        EXPECT_EQ(answer.exitCode, 0) << answer.output;
        std::this_thread::sleep_for(std::chrono::milliseconds(1500));
        EXPECT_EQ(count(db, "Results"), results + 1) << "the request ran once";
        EXPECT_EQ(again.terminate(), 0);
    }
}
#endif

} // namespace
} // namespace ob::test
