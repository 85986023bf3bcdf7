// A 100-point calibration as PYRALIS II drives it: /CREATECAL, /WRITESTD (ten
// standards) and 100 x /CREATEFULLRES, each action timed as one tick, beside
// the same statements run directly on a connection of their own (their texts
// are taken from the program's log). Then the growth of /WRITESTD with 10, 100
// and 1,000 standards and of /CREATECAL with 10, 50 and 200 default custom
// fields ([CustomCalFields]).

#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "BenchLink.h"
#include "support/TestDatabase.h"

namespace {

using namespace ob::bench;
using ob::test::Engine;
using ob::test::TestDatabase;

constexpr int kPoints = 100;
constexpr int kStandards = 1000;
constexpr int kCustomColumns = 200; // C2400 ... C2599

std::string number(long long n)
{
    return std::to_string(n);
}

std::string customColumn(int i)
{
    return cat({"C", number(2400 + i)});
}

void prepare(TestDatabase& db)
{
    const bool pg = db.engine() == Engine::PostgreSQL;
    db.exec("INSERT INTO ob.UserList (obuser, OBLevel, Name) VALUES ('orbista', 5, 'Bench User')");
    db.exec("INSERT INTO ob.Inventory (ATAG, I4201, I4202, I4203, I4206) VALUES ('T1', 'A1', 'Mfg', 'Model', 'S1')");
    db.exec("INSERT INTO ob.AssetList (ATAG, I4201) VALUES ('T1', 'A1')");
    const std::string count = number(kStandards);
    db.exec(cat({"INSERT INTO ob.AssetList (ATAG, I4201) ",
                 pg ? "" : cat({"WITH RECURSIVE s(n) AS (SELECT 1 UNION ALL SELECT n + 1 FROM s WHERE n < ", count, ") "}),
                 "SELECT 'ST' || n, 'STD' || n FROM ", pg ? cat({"generate_series(1, ", count, ") AS s(n)"}) : "s"}));
    // The schema has C2400 to C2409 for custom fields; the growth run needs more.
    for (int i = 10; i < kCustomColumns; ++i)
        db.exec(cat({"ALTER TABLE ob.Calibration ADD COLUMN ", customColumn(i), " TEXT"}));
}

// The texts the log holds, without their time stamps.
std::vector<std::string> logTexts(const BenchLink& link)
{
    std::ifstream in(cat({link.folder(), "/OB32PYII.txt"}), std::ios::binary);
    std::vector<std::string> lines;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        const auto tab = line.find('\t');
        lines.push_back(tab == std::string::npos ? line : line.substr(tab + 1));
    }
    return lines;
}

std::vector<std::string> linesStartingWith(const std::vector<std::string>& lines, const std::string& prefix)
{
    std::vector<std::string> found;
    for (const auto& l : lines)
        if (l.rfind(prefix, 0) == 0)
            found.push_back(l);
    return found;
}

// A logged-in link with the request of one calibration prepared.
class Calibrator {
public:
    Calibrator(TestDatabase& db, const std::string& base) : link(base)
    {
        probeMs = fsyncProbeMs(link.folder());
        link.start();
        link.setNexova("database", "DB_login", db.dbLogin());
        link.setMany("OBLogin", {{"LoginUserName", db.user()}, {"LoginPassword", db.password()}});
        std::string error;
        link.act("/OBLOGIN", &error);
        expectNoError("/OBLOGIN", error);
        link.setMany("Calibration", {{"AssetNumber", "A1"},
                                     {"StartDate", "12/5/2026"},
                                     {"EndDate", "12/5/2026"},
                                     {"EndTime", "3:30:00 PM"},
                                     {"AmbientTemp", "23.5"},
                                     {"AmbientHumid", "45"},
                                     {"OrderID", "1234"},
                                     {"TestProcedure", "TP-7"},
                                     {"Comment", "bench"},
                                     {"Aborted", "False"},
                                     {"Pass", "P"},
                                     {"Coefficients", "A=1.0"}});
        link.setMany("FullResults", {{"Order", "1"},           {"NumSamples", "10"},
                                     {"Setpoint", "100.0"},    {"SetpointPrefix", ""},
                                     {"SetpointUnits", "C"},   {"Reference", "100.012"},
                                     {"ReferencePrefix", ""},  {"ReferenceUnits", "C"},
                                     {"UUT", "100.020"},       {"UUTPrefix", ""},
                                     {"UUTUnits", "C"},        {"Error", "0.008"},
                                     {"ErrorPrefix", ""},      {"ErrorUnits", "C"},
                                     {"Tolerance", "0.1"},     {"TolerancePrefix", ""},
                                     {"ToleranceUnits", "C"},  {"Uncertainty", "0.02"},
                                     {"UncertaintyPrefix", ""}, {"UncertaintyUnits", "C"},
                                     {"Comment", "point"}});
    }
    ~Calibrator() { link.act("/OBLOGOUT"); }

    double act(const std::string& action)
    {
        std::string error;
        const double ms = link.act(action, &error);
        expectNoError(action, error);
        return ms;
    }
    double createCal()
    {
        // A start time of its own each time: no existing record is replaced.
        link.set("Calibration", "StartTime", cat({"10:", number(10 + (m_runs % 50)), ":", number(10 + m_runs / 50), " AM"}));
        ++m_runs;
        return act("/CREATECAL");
    }
    void setStandards(int count)
    {
        std::vector<std::pair<std::string, std::string>> keys{{"Count", number(count)}};
        for (int n = 1; n <= count; ++n)
            keys.emplace_back(cat({"AssetNumber", number(n)}), cat({"STD", number(n)}));
        link.setMany("Standards", keys);
    }

    BenchLink link;
    double probeMs = 0;

private:
    int m_runs = 0;
};

// The statements of one action as the program ran them, replayed directly.
class Direct {
public:
    explicit Direct(const TestDatabase& db)
    {
        m_c.setConnectionString(db.connectionString());
        m_c.Open();
    }
    void query(const std::string& sql)
    {
        m_c.setCursorLocation(ob::odbc::CursorLocation::Client);
        m_c.Execute(sql).Close();
    }
    void execute(const std::string& sql)
    {
        m_c.setCursorLocation(ob::odbc::CursorLocation::Client);
        m_c.Execute(sql);
    }
    // GetATAG, the check for an existing record, the required fields query and
    // the insert, the last three in one transaction.
    double createCal(const std::string& existingQuery, const std::string& insert)
    {
        return timeMs([&] {
            query("SELECT ATAG FROM ob.AssetList WHERE I4201='A1'");
            ob::odbc::Transaction t(m_c);
            query(existingQuery);
            query("SELECT * FROM ob.XE2_Customiz WHERE fform='8' AND ireq='Y' AND Desktop='default';");
            execute(insert);
            t.commit();
        });
    }
    double writeStd(const std::vector<std::string>& inserts)
    {
        return timeMs([&] {
            for (std::size_t n = 0; n < inserts.size(); ++n) {
                query(cat({"SELECT ATAG FROM ob.AssetList WHERE I4201='STD", number(static_cast<long long>(n) + 1), "'"}));
                execute(inserts[n]);
            }
        });
    }
    double fullRes(const std::string& insert)
    {
        return timeMs([&] { execute(insert); });
    }

private:
    ob::odbc::Connection m_c;
};

struct CalibrationRun {
    std::vector<double> createCal, writeStd, fullRes, total;
};

void oneCalibration(Calibrator& cal, CalibrationRun& run)
{
    double total = 0;
    const double c = cal.createCal();
    run.createCal.push_back(c);
    total += c;
    cal.setStandards(10);
    const double s = cal.act("/WRITESTD");
    run.writeStd.push_back(s);
    total += s;
    for (int p = 1; p <= kPoints; ++p) {
        cal.link.set("FullResults", "Order", number(p));
        const double r = cal.act("/CREATEFULLRES");
        run.fullRes.push_back(r);
        total += r;
    }
    cal.act("/FLUSHFULLRES");
    run.total.push_back(total);
}

void addRow(Table& t, const std::string& engine, const std::string& base, const std::string& what,
            const std::vector<double>& program, const std::vector<double>& direct)
{
    const Stats p = summarize(program);
    const Stats d = summarize(direct);
    t.add({engine, base, what, fixed(p.median), fixed(p.max), fixed(d.median), fixed(d.max),
           percentOver(p.median, d.median)});
}

} // namespace

int main()
{
    Table calibration({"engine", "Windows folder", "action", "median", "max", "direct median", "direct max",
                       "overhead"});
    Table standards({"engine", "Windows folder", "standards", "/WRITESTD", "per standard", "direct", "overhead",
                     "growth (program)", "growth (direct)"});
    Table custom({"engine", "Windows folder", "custom fields", "/CREATECAL", "direct", "overhead",
                  "growth (program)", "growth (direct)", "exchange file (bytes)", "2N+1 key reads alone"});
    Table probes({"engine", "Windows folder", "fsync probe (ms)"});

    for (Engine engine : TestDatabase::engines()) {
        if (engine == Engine::MariaDB) {
            continue; // the row generators speak SQLite's and PostgreSQL's SQL
        }
        const std::string name = ob::test::engineLabel(engine);
        TestDatabase db(engine);
        prepare(db);
        Direct direct(db);
        for (const std::string& base : {std::string("/tmp"), memoryFolder()}) {
            const bool disk = base == "/tmp";
            // The 100-point calibration.
            CalibrationRun program;
            CalibrationRun replay;
            {
                Calibrator cal(db, base);
                probes.add({name, base, fixed(cal.probeMs)});
                const int runs = disk ? 2 : 5;
                for (int r = 0; r < runs; ++r)
                    oneCalibration(cal, program);
                const auto log = logTexts(cal.link);
                const auto existing = linesStartingWith(log, "SELECT * FROM ob.Calibration WHERE ATAG=");
                const auto calInsert = linesStartingWith(log, "INSERT INTO ob.Calibration");
                const auto stdInserts = linesStartingWith(log, "INSERT INTO ob.Standards");
                const auto resInserts = linesStartingWith(log, "INSERT INTO ob.Results");
                const std::vector<std::string> tenStandards(stdInserts.end() - 10, stdInserts.end());
                for (int r = 0; r < runs; ++r) {
                    double total = direct.createCal(existing.back(), calInsert.back());
                    replay.createCal.push_back(total);
                    const double s = direct.writeStd(tenStandards);
                    replay.writeStd.push_back(s);
                    total += s;
                    for (int p = 0; p < kPoints; ++p) {
                        const double f = direct.fullRes(resInserts[static_cast<std::size_t>(p)]);
                        replay.fullRes.push_back(f);
                        total += f;
                    }
                    replay.total.push_back(total);
                }
            }
            addRow(calibration, name, base, "/CREATECAL", program.createCal, replay.createCal);
            addRow(calibration, name, base, "/WRITESTD (10)", program.writeStd, replay.writeStd);
            addRow(calibration, name, base, "/CREATEFULLRES", program.fullRes, replay.fullRes);
            addRow(calibration, name, base, "total of one calibration", program.total, replay.total);

            // /WRITESTD with more standards, each size in a fresh exchange file.
            double firstProgram = 0;
            double firstDirect = 0;
            for (int count : {10, 100, 1000}) {
                Calibrator cal(db, base);
                std::vector<double> p;
                std::vector<double> d;
                const int runs = count == 1000 ? 1 : (disk ? 2 : 3);
                cal.setStandards(count);
                for (int r = 0; r < runs; ++r) {
                    cal.createCal();
                    p.push_back(cal.act("/WRITESTD"));
                }
                const auto inserts = linesStartingWith(logTexts(cal.link), "INSERT INTO ob.Standards");
                const std::vector<std::string> last(inserts.end() - count, inserts.end());
                for (int r = 0; r < runs; ++r)
                    d.push_back(direct.writeStd(last));
                const double pm = summarize(p).median;
                const double dm = summarize(d).median;
                if (count == 10) {
                    firstProgram = pm;
                    firstDirect = dm;
                }
                standards.add({name, base, number(count), fixed(pm), fixed(pm / count), fixed(dm), percentOver(pm, dm),
                               fixed(pm / firstProgram, 1) + "x", fixed(dm / firstDirect, 1) + "x"});
            }

            // /CREATECAL with default custom fields.
            for (int count : {10, 50, 200}) {
                Calibrator cal(db, base);
                std::vector<std::pair<std::string, std::string>> keys;
                for (int i = 0; i < count; ++i) {
                    keys.emplace_back(cat({"Field", number(i + 1)}), customColumn(i));
                    keys.emplace_back(cat({"Value", number(i + 1)}), cat({"value ", number(i + 1)}));
                }
                cal.link.setMany("CustomCalFields", keys);
                std::vector<double> p;
                std::vector<double> d;
                const int runs = disk ? 3 : 5;
                for (int r = 0; r < runs; ++r)
                    p.push_back(cal.createCal());
                const auto log = logTexts(cal.link);
                const auto existing = linesStartingWith(log, "SELECT * FROM ob.Calibration WHERE ATAG=");
                const auto insert = linesStartingWith(log, "INSERT INTO ob.Calibration");
                for (int r = 0; r < runs; ++r)
                    d.push_back(direct.createCal(existing.back(), insert.back()));
                const double pm = summarize(p).median;
                const double dm = summarize(d).median;
                if (count == 10) {
                    firstProgram = pm;
                    firstDirect = dm;
                }
                // The action reads Field<n> and Value<n> one key at a time, each
                // read parsing the whole file: what those reads cost alone.
                ob::IniFile ini;
                ini.setFilePath(cal.link.exchangePath());
                const double reads = timeMs([&] {
                    for (int i = 1; i <= count + 1; ++i) {
                        ini.read("CustomCalFields", cat({"Field", number(i)}));
                        if (i <= count)
                            ini.read("CustomCalFields", cat({"Value", number(i)}));
                    }
                });
                custom.add({name, base, number(count), fixed(pm), fixed(dm), percentOver(pm, dm),
                            fixed(pm / firstProgram, 1) + "x", fixed(dm / firstDirect, 1) + "x",
                            number(static_cast<long long>(std::filesystem::file_size(cal.link.exchangePath()))),
                            fixed(reads)});
            }
        }
    }

    heading("A 100-point calibration: /CREATECAL, /WRITESTD (10 standards), 100 x /CREATEFULLRES (ms)");
    calibration.print();
    heading("/WRITESTD with 10, 100 and 1,000 standards (median, ms)");
    standards.print();
    heading("/CREATECAL with 10, 50 and 200 default custom fields (median, ms)");
    custom.print();
    probes.print();
    std::cout << "\"direct\" runs the statements the action ran (texts from its log) on a connection of its own:\n"
                 "/CREATECAL: GetATAG, existing-record check, required-fields query and insert in one\n"
                 "transaction; /WRITESTD: GetATAG and insert per standard; /CREATEFULLRES: the insert.\n\n";
    return 0;
}
