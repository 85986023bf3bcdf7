// /OBLOGIN + /OBLOGOUT, each timed as one tick, beside what cannot be avoided:
// an ODBC connect, the user query and the disconnect run directly. SQLite
// always; PostgreSQL too when OB32PYII_TEST_PG names a server. The exchange
// file lies on the disk (/tmp) and, to show the database path alone, in
// memory (/dev/shm).

#include <string>
#include <vector>

#include "BenchLink.h"
#include "support/TestDatabase.h"

namespace {

using namespace ob::bench;
using ob::test::Engine;
using ob::test::TestDatabase;

const char* const kUserQuery = "SELECT * FROM ob.UserList WHERE obuser='orbista'";

double directMedian(const TestDatabase& db, int rounds)
{
    std::vector<double> samples;
    for (int i = 0; i < rounds; ++i) {
        samples.push_back(timeMs([&] {
            ob::odbc::Connection c;
            c.setConnectionString(db.connectionString());
            c.Open();
            c.setCursorLocation(ob::odbc::CursorLocation::Client);
            auto rs = c.Execute(kUserQuery);
            if (rs.RecordCount() != 1)
                throw std::runtime_error("the user row is missing");
            rs.Close();
            c.Close();
        }));
    }
    return summarize(samples).median;
}

struct Row {
    std::string engine;
    std::string folder;
    Stats login;
    Stats logout;
    double probeMs;
};

Row measure(TestDatabase& db, const std::string& engine, const std::string& base, int rounds)
{
    BenchLink link(base);
    const double probe = fsyncProbeMs(link.folder());
    link.start();
    link.setNexova("database", "DB_login", db.dbLogin());
    link.set("OBLogin", "LoginUserName", db.user());
    link.set("OBLogin", "LoginPassword", db.password());
    std::vector<double> logins;
    std::vector<double> logouts;
    for (int i = 0; i < rounds; ++i) {
        std::string error;
        logins.push_back(link.act("/OBLOGIN", &error));
        expectNoError("/OBLOGIN", error);
        if (!link.link().session().LinkActive()) {
            std::cerr << "/OBLOGIN did not open the session\n";
            std::exit(1);
        }
        logouts.push_back(link.act("/OBLOGOUT", &error));
        expectNoError("/OBLOGOUT", error);
    }
    return {engine, base, summarize(logins), summarize(logouts), probe};
}

} // namespace

int main()
{
    Table t({"engine", "Windows folder", "/OBLOGIN median", "/OBLOGOUT median", "login + logout",
             "direct connect + query + close", "overhead", "fsync probe"});
    for (Engine engine : TestDatabase::engines()) {
        const std::string name = ob::test::engineLabel(engine);
        TestDatabase db(engine);
        db.exec("INSERT INTO ob.UserList (obuser, OBLevel, Name) VALUES ('" + db.user() + "', 5, 'Bench User')");
        const double direct = directMedian(db, 30);
        for (const std::string& base : {std::string("/tmp"), memoryFolder()}) {
            const Row r = measure(db, name, base, base == "/tmp" ? 15 : 30);
            const double both = r.login.median + r.logout.median;
            t.add({r.engine, r.folder, fixed(r.login.median), fixed(r.logout.median), fixed(both), fixed(direct),
                   percentOver(both, direct), fixed(r.probeMs)});
        }
    }
    heading("Session: /OBLOGIN + /OBLOGOUT against a bare connect and user query (ms)");
    t.print();
    std::cout << "Overhead = (login + logout - direct) / direct. The actions also write the request state\n"
                 "(Action, Busy, Error) and [OBLogin] to the exchange file and log every step.\n\n";
    return 0;
}
