// Turnaround as PYRALIS II sees it: from the peer's write of Action to Busy
// False, against the real program, for an unknown action and for /LOCASSET.
// Targets: a median of at most 50 ms for both.
//
// The peer writes the way the profile functions do (the whole file, without
// the program's lock) and looks at the file every millisecond. The program is
// only waited for by time, so the same benchmark can time an older build
// (OB32PYII_BUILD_DIR naming it) whose start-up signals differ.

#include <chrono>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "BenchSupport.h"
#include "platform/ini/FileText.h"
#include "platform/ini/IniFile.h"
#include "support/RealProgram.h"
#include "support/TempDir.h"
#include "support/TestDatabase.h"

namespace {

using namespace ob::bench;
using ob::test::Engine;

constexpr double kTargetMs = 50.0;

double percentile(std::vector<double> samples, double p)
{
    std::sort(samples.begin(), samples.end());
    const auto at = static_cast<std::size_t>(p * static_cast<double>(samples.size() - 1) + 0.5);
    return samples[std::min(at, samples.size() - 1)];
}

// One request: the peer writes Action (after `keys`), then polls for Busy False.
double turnaround(const std::string& path, const std::string& action)
{
    ob::IniFile peer;
    peer.setFilePath(path);
    peer.setRequiredSection("General");
    const auto start = SteadyClock::now();
    peer.write("General", "Action", action);
    for (;;) {
        const std::string content = peer.snapshot();
        if (ob::ini::lookupText(content, "General", "Action").value_or("x").empty() &&
            ob::ini::lookupText(content, "General", "Busy") == "False")
            return msSince(start);
        if (msSince(start) > 10000)
            return msSince(start);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

struct Row {
    std::string action;
    std::vector<double> ms;
};

} // namespace

int main(int argc, char** argv)
{
    const int samples = argc > 1 ? std::atoi(argv[1]) : 40;
    ob::test::TestDatabase db(Engine::SQLite);
    for (const auto& statement : ob::test::splitSqlScript(ob::test::readSourceFile("tools/sample/sample-data.sql")))
        db.exec(statement);
    ob::test::TempDir dir;
    dir.write("NEXOVA.INI", "[database]\r\nDB_login=" + db.dbLogin() + "\r\n");
    dir.write("OB32PYII.INI", "[General]\r\n[OBLogin]\r\nLoginUserName=" + db.user() + "\r\nLoginPassword=" +
                                  db.password() + "\r\n[CurrentAsset]\r\nModel=PT100-4W\r\nSerial=SN-70211\r\n"
                                  "Mfg=Brennhall\r\n");
    ob::test::RealProgram program(dir.path());
    std::this_thread::sleep_for(std::chrono::milliseconds(3000)); // start-up, whatever the build signals
    const std::string path = dir.file("OB32PYII.INI");
    turnaround(path, "/OBLOGIN");
    std::vector<Row> rows{{"/FOO (unknown)", {}}, {"/LOCASSET", {}}};
    for (int i = 0; i < samples; ++i) {
        rows[0].ms.push_back(turnaround(path, "/FOO"));
        rows[1].ms.push_back(turnaround(path, "/LOCASSET"));
        // The peer does not send its next request the instant it has an answer.
        std::this_thread::sleep_for(std::chrono::milliseconds(7 * (i % 5)));
    }
    turnaround(path, "/TERMINATE");
    program.waitForExit(10);

    heading("Turnaround: the peer's write of Action to Busy False, as the peer sees it (ms)");
    Table t({"action", "samples", "median", "99th percentile", "min", "max", "target 50 ms (median)"});
    for (const Row& r : rows) {
        const Stats s = summarize(r.ms);
        t.add({r.action, std::to_string(s.count), fixed(s.median, 1), fixed(percentile(r.ms, 0.99), 1),
               fixed(s.min, 1), fixed(s.max, 1), verdict(s.median <= kTargetMs)});
    }
    t.print();
    std::cout << "The peer polls every millisecond; the Windows folder is in /tmp (or the Wine prefix's view of it).\n\n";
    return 0;
}
