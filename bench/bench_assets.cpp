// /LOCASSET on an inventory of 100,000 assets with 1,000,000 calibration rows
// (ten per asset, the last one flagged most recent), beside the statements the
// action runs, executed directly on a connection of their own:
//   1. SELECT * FROM ob.Inventory WHERE I4203=.. AND I4206=.. AND I4202=..
//   2. SELECT * FROM ob.Inventory WHERE I4201=..
//   3. SELECT * FROM ob.Calibration WHERE ATAG=.. AND C2339='1'
// The action runs the third twice (in-calibration check and latest calibration).

#include <string>
#include <vector>

#include "BenchLink.h"
#include "support/TestDatabase.h"

namespace {

using namespace ob::bench;
using ob::test::Engine;
using ob::test::TestDatabase;

constexpr int kAssets = 100000;
constexpr int kCalibrationsPerAsset = 10;

std::string number(long long n)
{
    return std::to_string(n);
}

// The rows in a few set-based statements. Asset n: ATAG Tn, asset number An,
// serial Sn, model Model(n mod 1009), manufacturer Mfg(n mod 97).
void generate(TestDatabase& db)
{
    const bool pg = db.engine() == Engine::PostgreSQL;
    const std::string assetCount = number(kAssets);
    const std::string assets = pg ? cat({"generate_series(1, ", assetCount, ") AS s(n)"}) : "s";
    const std::string assetsCte =
        pg ? "" : cat({"WITH RECURSIVE s(n) AS (SELECT 1 UNION ALL SELECT n + 1 FROM s WHERE n < ", assetCount, ") "});
    db.exec(cat({"INSERT INTO ob.Inventory (ATAG, I4201, I4202, I4203, I4204, I4206, I4228, I4229) ", assetsCte,
                 "SELECT 'T' || n, 'A' || n, 'Mfg' || (n % 97), 'Model' || (n % 1009), 'Asset number ' || n, "
                 "'S' || n, 'M', '12' FROM ",
                 assets}));
    db.exec("INSERT INTO ob.AssetList (ATAG, I4201) SELECT ATAG, I4201 FROM ob.Inventory");

    const std::string last = number(static_cast<long long>(kAssets) * kCalibrationsPerAsset - 1);
    const std::string calibrations = pg ? cat({"generate_series(0, ", last, ") AS c(n)"}) : "c";
    const std::string calibrationsCte =
        pg ? "" : cat({"WITH RECURSIVE c(n) AS (SELECT 0 UNION ALL SELECT n + 1 FROM c WHERE n < ", last, ") "});
    const std::string per = number(kCalibrationsPerAsset);
    const std::string k = cat({"(n % ", per, ")"});
    const std::string asset = cat({"(n / ", per, " + 1)"});
    const std::string latest = cat({"(", k, " = ", number(kCalibrationsPerAsset - 1), ")"});
    const std::string dueDate = cat({"CASE WHEN ", latest, " THEN '2027-06-30' ELSE '2021-01-01' END"});
    const std::string due =
        pg ? cat({"CAST(", dueDate, " AS DATE), TIME '08:00:00', "}) : cat({dueDate, ", '08:00:00', "});
    db.exec(cat({"INSERT INTO ob.Calibration (ATAG, CTAG, CDSRC, C2301, C2333, C2303, C2334, C2339, C2307, C2323) ",
                 calibrationsCte, "SELECT 'T' || ", asset, ", 'A' || ", asset, " || ':' || (1300000000 + n), 'PY2', ",
                 "'2020-0' || (", k, " % 9 + 1) || '-15', '10:00:00', ", due, "CASE WHEN ", latest,
                 " THEN '1' ELSE '0' END, 'orbista', 'P' FROM ", calibrations}));
    db.exec(pg ? "ANALYZE" : "ANALYZE ob");
    const auto count = db.rows("SELECT COUNT(*) FROM ob.Calibration");
    if (count.empty() || count[0][0] != number(static_cast<long long>(kAssets) * kCalibrationsPerAsset))
        throw std::runtime_error("the calibration rows were not all generated");
}

// Asset i of the benchmark's pseudo-random sequence.
int assetFor(int i)
{
    return static_cast<int>((static_cast<long long>(i) * 7919 + 17) % kAssets) + 1;
}

struct Direct {
    double threeMs;
    double fourMs;
};

Direct direct(const TestDatabase& db, int rounds)
{
    ob::odbc::Connection c;
    c.setConnectionString(db.connectionString());
    c.Open();
    std::vector<double> three;
    std::vector<double> four;
    for (int i = 0; i < rounds; ++i) {
        const int a = assetFor(i + 1000);
        const std::string n = number(a);
        auto query = [&](const std::string& sql) {
            c.setCursorLocation(ob::odbc::CursorLocation::Client);
            auto rs = c.Execute(sql);
            if (rs.RecordCount() < 1)
                throw std::runtime_error(cat({"no row for ", sql}));
            rs.Close();
        };
        const std::string inventory = cat({"SELECT * FROM ob.Inventory WHERE I4203='Model", number(a % 1009),
                                           "' AND I4206='S", n, "' AND I4202='Mfg", number(a % 97), "'"});
        const std::string byNumber = cat({"SELECT * FROM ob.Inventory WHERE I4201='A", n, "'"});
        const std::string latest = cat({"SELECT * FROM ob.Calibration WHERE ATAG='T", n, "' AND C2339='1'"});
        double ms = timeMs([&] {
            query(inventory);
            query(byNumber);
            query(latest);
        });
        three.push_back(ms);
        ms += timeMs([&] { query(latest); });
        four.push_back(ms);
    }
    return {summarize(three).median, summarize(four).median};
}

Stats locate(TestDatabase& db, const std::string& base, int rounds, double& probe)
{
    BenchLink link(base);
    probe = fsyncProbeMs(link.folder());
    link.start();
    link.setNexova("database", "DB_login", db.dbLogin());
    link.set("OBLogin", "LoginUserName", db.user());
    link.set("OBLogin", "LoginPassword", db.password());
    std::string error;
    link.act("/OBLOGIN", &error);
    expectNoError("/OBLOGIN", error);
    std::vector<double> samples;
    for (int i = 0; i < rounds; ++i) {
        const int n = assetFor(i);
        const std::string tail = number(n);
        link.setMany("CurrentAsset", {{"Model", cat({"Model", number(n % 1009)})},
                                      {"Serial", cat({"S", tail})},
                                      {"Mfg", cat({"Mfg", number(n % 97)})}});
        samples.push_back(link.act("/LOCASSET", &error));
        expectNoError("/LOCASSET", error);
        if (link.get("CurrentAsset", "AssetNumber") != cat({"A", tail}) || link.get("CurrentAsset", "InCal") != "True") {
            std::cerr << "/LOCASSET did not find asset A" << n << " in calibration\n";
            std::exit(1);
        }
    }
    link.act("/OBLOGOUT");
    return summarize(samples);
}

} // namespace

int main()
{
    Table t({"engine", "Windows folder", "/LOCASSET median", "min", "max", "3 statements direct",
             "4 executions direct", "overhead vs 4", "fsync probe"});
    Table load({"engine", "generate 100,000 assets + 1,000,000 calibrations (s)"});
    for (Engine engine : TestDatabase::engines()) {
        if (engine == Engine::MariaDB) {
            continue; // the row generators speak SQLite's and PostgreSQL's SQL
        }
        const std::string name = ob::test::engineLabel(engine);
        TestDatabase db(engine);
        load.add({name, fixed(timeMs([&] { generate(db); }) / 1000.0, 1)});
        const Direct d = direct(db, 100);
        for (const std::string& base : {std::string("/tmp"), memoryFolder()}) {
            double probe = 0;
            const Stats s = locate(db, base, base == "/tmp" ? 25 : 100, probe);
            t.add({name, base, fixed(s.median), fixed(s.min), fixed(s.max), fixed(d.threeMs), fixed(d.fourMs),
                   percentOver(s.median, d.fourMs), fixed(probe)});
        }
    }
    heading("/LOCASSET on 100,000 assets and 1,000,000 calibration rows (ms)");
    t.print();
    load.print();
    std::cout << "Besides the statements, the action writes Action, Busy, Error and Busy (one file replacement\n"
                 "each) and the thirteen keys of [CurrentAsset] (one replacement) and logs every step.\n\n";
    return 0;
}
