// The program as an operator's account runs it on a lab PC: the exchange file
// and the log writable for it, the folder not (or shared and sticky), and
// PYRALIS II (here root, through ob32pyii-send) writing the same file.

#include <gtest/gtest.h>

#if !defined(_WIN32)
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <chrono>
#include <filesystem>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "support/RealProgram.h"
#include "support/TempDir.h"
#include "support/TestDatabase.h"

namespace ob::test {
namespace {

#if !defined(_WIN32)
namespace fs = std::filesystem;
constexpr const char* kOperator = "65534"; // nobody / nogroup

const std::vector<std::string> kAsOperator{"/usr/bin/setpriv", std::string("--reuid=") + kOperator,
                                           std::string("--regid=") + kOperator, "--clear-groups"};

bool canSwitchAccounts()
{
    return ::geteuid() == 0 && fs::exists("/usr/bin/setpriv");
}

// A SQLite database the operator may write (the driver creates its journal beside it).
void openToOperator(TestDatabase& db)
{
    const fs::path file = db.database();
    fs::permissions(file.parent_path(), fs::perms::all);
    fs::permissions(file, fs::perms::owner_all | fs::perms::group_all | fs::perms::others_read |
                              fs::perms::others_write);
}

// The lab folder as IT leaves it: the sample data, the stored login, and the
// files the operator may write; `folderMode` for the folder itself.
void labFolder(TestDatabase& db, TempDir& dir, mode_t folderMode)
{
    for (const auto& statement : splitSqlScript(readSourceFile("tools/sample/sample-data.sql")))
        db.exec(statement);
    openToOperator(db);
    dir.write("NEXOVA.INI", "[database]\r\nDB_login=" + db.dbLogin() + "\r\n");
    dir.write("OB32PYII.INI", "[OBLogin]\r\nLoginUserName=" + db.user() + "\r\nLoginPassword=" + db.password() + "\r\n");
    dir.write("OB32PYII.txt", "");
    for (const char* file : {"OB32PYII.INI", "OB32PYII.txt"})
        ASSERT_EQ(::chmod(dir.file(file).c_str(), 0666), 0);
    ASSERT_EQ(::chmod(dir.path().c_str(), folderMode), 0);
}

std::set<std::string> filesIn(const TempDir& dir)
{
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir.path()))
        names.insert(entry.path().filename().string());
    return names;
}

std::string count(TestDatabase& db, const std::string& table)
{
    return db.rows("SELECT count(*) FROM ob." + table)[0][0].value_or("");
}

void expectSent(const TempDir& dir, const std::vector<std::string>& arguments)
{
    const auto result = send(dir.path(), arguments);
    EXPECT_EQ(result.exitCode, 0) << arguments.back() << ": " << result.output;
}

const std::vector<std::string> kCalibration{"Calibration.AssetNumber=A-1001", "Calibration.StartDate=12/6/2026",
                                            "Calibration.StartTime=9:05:00 AM", "Calibration.EndTime=10:15",
                                            "/CREATECAL"};

TEST(OperatorAccount, aWholeCalibrationWhereOnlyTheFilesAreWritableWritesEveryRowOnce)
{
    if (!canSwitchAccounts())
        GTEST_SKIP() << "needs root and setpriv to run the program as another account";
    const struct {
        const char* folder;
        mode_t mode;
    } folders[] = {{"a folder the operator may not create files in", 0755},
                   {"a shared folder with the sticky bit", 01777}};
    for (const auto& [what, mode] : folders) {
        SCOPED_TRACE(what);
        TestDatabase db(Engine::SQLite);
        TempDir dir;
        labFolder(db, dir, mode);
        const auto before = filesIn(dir);
        const std::string calibrations = count(db, "Calibration");
        TempDir home; // the operator's own folder, where earlier logs go
        ASSERT_EQ(::chmod(home.path().c_str(), 0777), 0);
        RealProgram program(dir.path(), {"XDG_STATE_HOME=" + home.path()}, kAsOperator);
        ASSERT_TRUE(program.waitUntilStarted()) << "the operator's program did not start";
        expectSent(dir, {"/OBLOGIN"});
        expectSent(dir, {"CurrentAsset.Model=PT100-4W", "CurrentAsset.Serial=SN-70211", "CurrentAsset.Mfg=Brennhall",
                         "/LOCASSET"});
        expectSent(dir, kCalibration);
        expectSent(dir, {"Standards.Count=1", "Standards.AssetNumber1=STD-01", "/WRITESTD"});
        for (const std::string n : {"1", "2"})
            expectSent(dir, {"FullResults.Order=" + n, "FullResults.Setpoint=" + n + "00", "/CREATEFULLRES"});
        expectSent(dir, {"/FLUSHFULLRES"});
        expectSent(dir, {"/TERMINATE"});
        EXPECT_EQ(program.waitForExit(), 0);
        EXPECT_EQ(std::stoi(count(db, "Calibration")), std::stoi(calibrations) + 1);
        const auto rows = db.rows("SELECT c.CTAG, (SELECT count(*) FROM ob.Standards s WHERE s.CTAG = c.CTAG), "
                                  "(SELECT count(*) FROM ob.Results r WHERE r.CTAG = c.CTAG) FROM ob.Calibration c "
                                  "WHERE c.C2301 = '2026-12-06'");
        ASSERT_EQ(rows.size(), 1u);
        EXPECT_EQ(rows[0][1], "1") << "standards of the calibration";
        EXPECT_EQ(rows[0][2], "2") << "results of the calibration";
        EXPECT_EQ(filesIn(dir), before) << "the program created a file in the folder";
        struct stat info {};
        ASSERT_EQ(::stat(dir.file("OB32PYII.INI").c_str(), &info), 0);
        EXPECT_EQ(info.st_uid, 0u) << "the exchange file changed hands";
        EXPECT_EQ(info.st_mode & 0777, 0666u);
        EXPECT_NE(dir.read("OB32PYII.txt").find("OB32PYII.INI is written in place"), std::string::npos);
    }
}

// The operator loses the right to write the exchange file while PYRALIS II keeps it.
TEST(OperatorAccount, aRequestTheOperatorCannotTakeUpRunsOnceWhenTheFileIsWritableAgain)
{
    if (!canSwitchAccounts())
        GTEST_SKIP() << "needs root and setpriv to run the program as another account";
    TestDatabase db(Engine::SQLite);
    TempDir dir;
    labFolder(db, dir, 0755);
    RealProgram program(dir.path(), {}, kAsOperator);
    ASSERT_TRUE(program.waitUntilStarted());
    expectSent(dir, {"/OBLOGIN"});
    expectSent(dir, kCalibration);
    const std::string results = count(db, "Results");
    ASSERT_EQ(::chmod(dir.file("OB32PYII.INI").c_str(), 0644), 0);
    SendResult answer;
    std::thread peer([&] { answer = send(dir.path(), {"FullResults.Order=1", "/CREATEFULLRES"}); });
    std::this_thread::sleep_for(std::chrono::milliseconds(2500)); // two ticks and more
    EXPECT_EQ(count(db, "Results"), results) << "a request whose take-up is not in the file ran";
    ASSERT_EQ(::chmod(dir.file("OB32PYII.INI").c_str(), 0666), 0);
    peer.join();
    EXPECT_EQ(answer.exitCode, 0) << answer.output;
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    EXPECT_EQ(std::stoi(count(db, "Results")), std::stoi(results) + 1) << "the request ran once";
    expectSent(dir, {"/TERMINATE"});
    EXPECT_EQ(program.waitForExit(), 0);
    const std::string log = dir.read("OB32PYII.txt");
    std::size_t reports = 0;
    for (auto at = log.find("Error processing action: 75 - "); at != std::string::npos;
         at = log.find("Error processing action: 75 - ", at + 1))
        ++reports;
    EXPECT_EQ(reports, 1u) << "one report per request, not one per tick";
}
#endif

} // namespace
} // namespace ob::test
