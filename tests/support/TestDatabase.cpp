#include "support/TestDatabase.h"

#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <random>
#include <regex>
#include <sstream>
#include <stdexcept>

#include "platform/Failure.h"
#include "platform/Text.h"

namespace ob::test {

namespace {

const char* const kPgVariable = "OB32PYII_TEST_PG";
const char* const kMariaDbVariable = "OB32PYII_TEST_MARIADB";

// This process's hold on MariaDB database ob: one connection with a server lock, shared by the live objects.
struct MariaDbHold {
    odbc::Connection connection;
    int users = 0;
} mariaDbHold;

std::string setting(const char* variable)
{
    return std::getenv(variable) != nullptr ? std::getenv(variable) : "";
}

} // namespace

std::vector<Engine> TestDatabase::engines()
{
    static const std::vector<Engine> list = [] {
        std::vector<Engine> l{Engine::SQLite};
        for (const auto& [e, variable, script] :
             {std::tuple{Engine::PostgreSQL, kPgVariable, "pg-test-server"},
              std::tuple{Engine::MariaDB, kMariaDbVariable, "mariadb-test-server"}}) {
            if (!setting(variable).empty()) {
                l.push_back(e);
            } else {
                std::cerr << engineLabel(e) << " cases skipped: " << variable << " is not set (scripts/" << script
                          << " start DIR PORT prints it)\n";
            }
        }
        return l;
    }();
    return list;
}

std::string TestDatabase::serverLogin(const std::string& database, bool credentials) const
{
    return std::string("Driver=") + (m_engine == Engine::MariaDB ? "MariaDB Unicode" : "PostgreSQL Unicode") +
           ";Server=" + m_host + ";Port=" + m_port + (database.empty() ? "" : ";Database=" + database) +
           (credentials ? ";uid=" + m_user + ";pwd=" + m_password + ";" : "");
}

TestDatabase::TestDatabase(Engine e) : m_engine(e)
{
    const bool maria = e == Engine::MariaDB;
    if (e == Engine::SQLite) {
        m_dir = std::make_unique<TempDir>();
        m_database = m_dir->file("orbista.db");
        m_user = m_password = "orbista";
        m_dir->write("orbista.db", ""); // an empty file is an empty database
    } else {
        const char* variable = maria ? kMariaDbVariable : kPgVariable;
        const std::string server = setting(variable);
        if (server.empty()) {
            throw std::runtime_error(std::string(variable) + " is not set: no " + engineLabel(e) + " server");
        }
        m_port = maria ? "3306" : "5432";
        m_maintenanceDb = maria ? "" : "postgres";
        std::istringstream items(server); // "host=127.0.0.1 port=5433 user=u password=p dbname=postgres"
        for (std::string item; items >> item;) {
            for (auto [key, target] : {std::pair{"host=", &m_host},
                                       {"port=", &m_port},
                                       {"user=", &m_user},
                                       {"password=", &m_password},
                                       {"dbname=", &m_maintenanceDb}}) {
                if (item.starts_with(key)) {
                    *target = item.substr(std::string(key).size());
                }
            }
        }
        static std::atomic<unsigned> counter{0};
        m_database = maria ? "ob"
                           : "ob32pyii_t_" + std::to_string(::getpid()) + "_" + std::to_string(++counter) + "_" +
                                 std::to_string(std::random_device{}() & 0xffffffu);
        if (maria) {
            if (mariaDbHold.users == 0) {
                // Another test program may hold the database for minutes: wait longer than a statement may.
                mariaDbHold.connection.setCommandTimeout(900);
                mariaDbHold.connection.setConnectionString(serverLogin("", true));
                mariaDbHold.connection.Open();
                // A test that left a transaction open fails the next one instead of hanging it.
                mariaDbHold.connection.Execute("SET SESSION lock_wait_timeout = 120");
                odbc::Recordset got = mariaDbHold.connection.Execute("SELECT GET_LOCK('ob32pyii_test_database', 900)");
                if (got.Eof() || got.Fields(std::size_t{0}).toTextOrEmpty() != "1") {
                    mariaDbHold.connection.Close();
                    throw std::runtime_error("MariaDB test database ob stayed taken by another test");
                }
            }
            ++mariaDbHold.users;
            try {
                mariaDbHold.connection.Execute("DROP DATABASE IF EXISTS ob");
                for (const std::string& statement : splitSqlScript(readSourceFile("tools/schema/mariadb.sql"))) {
                    mariaDbHold.connection.Execute(statement);
                }
            } catch (...) {
                // No destructor runs for this object: the next test starts afresh.
                if (--mariaDbHold.users == 0) {
                    mariaDbHold.connection.Close();
                }
                throw;
            }
        } else {
            odbc::Connection maintenance;
            maintenance.setConnectionString(serverLogin(m_maintenanceDb, true));
            maintenance.Open();
            maintenance.Execute("CREATE DATABASE " + m_database);
        }
    }
    m_connection.setConnectionString(connectionString());
    m_connection.Open();
    if (e != Engine::MariaDB) {
        // SQLite's tables go into the file, attached as "ob".
        const bool lite = e == Engine::SQLite;
        odbc::Transaction schema(m_connection);
        for (const std::string& statement :
             splitSqlScript(readSourceFile(lite ? "tools/schema/sqlite.sql" : "tools/schema/postgres.sql"))) {
            m_connection.Execute(
                lite ? std::regex_replace(statement, std::regex("^CREATE (TABLE|INDEX) "), "CREATE $1 ob.")
                     : statement);
        }
        schema.commit();
    }
}

TestDatabase::~TestDatabase()
{
    m_connection.Close();
    try {
        if (m_engine == Engine::MariaDB && --mariaDbHold.users == 0) {
            mariaDbHold.connection.Execute("DROP DATABASE IF EXISTS ob");
            mariaDbHold.connection.Close(); // frees the lock for the next test
        } else if (m_engine == Engine::PostgreSQL) {
            odbc::Connection maintenance;
            maintenance.setConnectionString(serverLogin(m_maintenanceDb, true));
            maintenance.Open();
            // FORCE: a connection the test left open must not keep the database.
            maintenance.Execute("DROP DATABASE IF EXISTS " + m_database + " WITH (FORCE)");
        }
    } catch (const Failure& f) {
        std::cerr << "warning: could not drop test database " << m_database << ": " << f.description() << '\n';
    }
}

std::string TestDatabase::dbLogin() const
{
    return m_engine == Engine::SQLite ? "Driver=SQLite3;Database=" + m_database : serverLogin(m_database);
}

std::string TestDatabase::connectionString() const
{
    return "PROVIDER=MSDASQL;" + dbLogin() + ";uid=" + m_user + ";pwd=" + m_password + ";";
}

Rows TestDatabase::rows(const std::string& sql)
{
    Rows out;
    for (odbc::Recordset rs = m_connection.Execute(sql); !rs.Eof(); rs.MoveNext()) {
        out.emplace_back();
        for (std::size_t i = 0; i < rs.FieldCount(); ++i) {
            out.back().push_back(rs.Fields(i).value());
        }
    }
    return out;
}

std::string engineLabel(Engine e)
{
    return e == Engine::SQLite ? "SQLite" : e == Engine::PostgreSQL ? "PostgreSQL" : "MariaDB";
}

std::string engineName(const ::testing::TestParamInfo<Engine>& info)
{
    return engineLabel(info.param);
}

std::vector<std::string> splitSqlScript(const std::string& script)
{
    // The project's scripts keep ";" and "--" out of their literals.
    std::string code;
    std::istringstream lines(script);
    for (std::string line; std::getline(lines, line);) {
        code += line.substr(0, line.find("--")) + "\n";
    }
    std::vector<std::string> statements;
    for (const std::string& piece : text::split(code, ';')) {
        const std::size_t b = piece.find_first_not_of(" \t\r\n"), e = piece.find_last_not_of(" \t\r\n");
        if (b != std::string::npos) {
            statements.push_back(piece.substr(b, e - b + 1));
        }
    }
    return statements;
}

std::string readSourceFile(const std::string& relativePath)
{
    const std::string path = std::string(OB_SOURCE_DIR) + "/" + relativePath;
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw std::runtime_error("cannot read " + path);
    }
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

} // namespace ob::test
