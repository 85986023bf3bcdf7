#include "support/TestDatabase.h"

#include "platform/odbc/Api.h"
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <charconv>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <random>
#include <sstream>
#include <stdexcept>

#include "platform/Failure.h"
#include "platform/odbc/Diagnostics.h"
#include "platform/odbc/Handle.h"

namespace ob::test {

namespace {

const char* const kSqliteDriver = "SQLite3";
const char* const kPostgresDriver = "PostgreSQL Unicode";
const char* const kPgVariable = "OB32PYII_TEST_PG";
const char* const kMariaDbDriver = "MariaDB Unicode";
const char* const kMariaDbVariable = "OB32PYII_TEST_MARIADB";
// The statements name database ob, so every test of every process takes the
// one database in turn: this server lock is held while a test owns it, and
// freed by the server when a crashed test's connection goes.
const char* const kMariaDbLock = "'ob32pyii_test_database'";
constexpr const char* kMariaDbLockWaitSeconds = "900";

// This process's hold on database ob: one connection with the server lock,
// shared by the TestDatabase objects alive at once (a fixture builds the next
// before it drops the last one) and given up with the last of them.
struct MariaDbHold {
    odbc::Connection connection;
    int users = 0;
};

MariaDbHold& mariaDbHold()
{
    static MariaDbHold hold;
    return hold;
}

std::string number(unsigned long long v)
{
    char buf[24];
    auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v);
    (void)ec;
    return std::string(buf, end);
}

std::string setting(const char* variable)
{
    const char* v = std::getenv(variable);
    return v != nullptr ? std::string(v) : std::string();
}

// "host=127.0.0.1 port=5433 user=u password='p w' dbname=postgres" as libpq reads it.
std::vector<std::pair<std::string, std::string>> parseConninfo(const std::string& text, const char* variable)
{
    std::vector<std::pair<std::string, std::string>> items;
    std::size_t i = 0;
    auto skipBlanks = [&] {
        while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) {
            ++i;
        }
    };
    for (;;) {
        skipBlanks();
        if (i >= text.size()) {
            break;
        }
        std::string key;
        while (i < text.size() && text[i] != '=' && text[i] != ' ') {
            key += text[i++];
        }
        skipBlanks();
        if (i >= text.size() || text[i] != '=') {
            throw std::runtime_error(std::string(variable) + ": expected key=value at '" + key + "'");
        }
        ++i;
        skipBlanks();
        std::string value;
        if (i < text.size() && text[i] == '\'') {
            ++i;
            while (i < text.size() && text[i] != '\'') {
                if (text[i] == '\\' && i + 1 < text.size()) {
                    ++i;
                }
                value += text[i++];
            }
            ++i;
        } else {
            while (i < text.size() && text[i] != ' ' && text[i] != '\t') {
                if (text[i] == '\\' && i + 1 < text.size()) {
                    ++i;
                }
                value += text[i++];
            }
        }
        items.emplace_back(key, value);
    }
    return items;
}

std::string uniqueSuffix()
{
    static std::atomic<unsigned> counter{0};
    std::random_device rd;
    std::ostringstream out;
    out << number(static_cast<unsigned long long>(::getpid())) << '_' << number(++counter) << '_'
        << std::hex << (rd() & 0xffffffu);
    return out.str();
}

// Runs a script over a bare ODBC connection: the schema must be created in the
// file's own main database, before any "ob" attachment exists.
void runScriptDirect(const std::string& connectionString, const std::string& script)
{
    using odbc::Handle;
    Handle env = Handle::allocate(SQL_HANDLE_ENV, nullptr, "ODBC");
    odbc::check(SQLSetEnvAttr(env.get(), SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0), env,
                "ODBC");
    odbc::ConnectionHandle dbc(Handle::allocate(SQL_HANDLE_DBC, &env, "ODBC"));
    odbc::check(odbc::api::driverConnect(dbc.get(), connectionString), dbc.handle(), "ODBC");
    dbc.setConnected(true);
    // One transaction: one write of the file instead of one per statement.
    odbc::check(SQLSetConnectAttr(dbc.get(), SQL_ATTR_AUTOCOMMIT, reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_OFF),
                                  SQL_IS_UINTEGER),
                dbc.handle(), "ODBC");
    for (std::string statement : splitSqlScript(script)) {
        Handle stmt = Handle::allocate(SQL_HANDLE_STMT, &dbc.handle(), "ODBC");
        SQLRETURN rc = odbc::api::execDirect(stmt.get(), statement);
        if (rc != SQL_NO_DATA) {
            odbc::check(rc, stmt, "ODBC");
        }
    }
    odbc::check(SQLEndTran(SQL_HANDLE_DBC, dbc.get(), SQL_COMMIT), dbc.handle(), "ODBC");
}

} // namespace

std::vector<Engine> TestDatabase::engines()
{
    std::vector<Engine> list{Engine::SQLite};
    const auto add = [&list](Engine e, const char* variable, const char* name, const char* script) {
        if (!setting(variable).empty()) {
            list.push_back(e);
            return;
        }
        static std::vector<std::string> told;
        if (std::find(told.begin(), told.end(), name) == told.end()) {
            told.emplace_back(name);
            std::cerr << name << " cases skipped: " << variable << " is not set (" << script
                      << " start DIR PORT prints it)\n";
        }
    };
    add(Engine::PostgreSQL, kPgVariable, "PostgreSQL", "scripts/pg-test-server");
    add(Engine::MariaDB, kMariaDbVariable, "MariaDB", "scripts/mariadb-test-server");
    return list;
}

std::string TestDatabase::serverLogin(const std::string& database) const
{
    const char* driver = m_engine == Engine::MariaDB ? kMariaDbDriver : kPostgresDriver;
    return std::string("Driver=") + driver + ";Server=" + m_host + ";Port=" + m_port +
           (database.empty() ? std::string() : ";Database=" + database);
}

TestDatabase::TestDatabase(Engine e) : m_engine(e)
{
    if (e == Engine::SQLite) {
        m_dir = std::make_unique<TempDir>();
        m_database = m_dir->file("orbista.db");
        m_user = "orbista";
        m_password = "orbista";
        runScriptDirect(std::string("Driver=") + kSqliteDriver + ";Database=" + m_database + ";",
                        readSourceFile("tools/schema/sqlite.sql"));
    } else {
        const bool maria = e == Engine::MariaDB;
        const char* variable = maria ? kMariaDbVariable : kPgVariable;
        const std::string server = setting(variable);
        if (server.empty()) {
            throw std::runtime_error(std::string(variable) + " is not set: no " + engineLabel(e) +
                                     " server to test against");
        }
        m_host = "127.0.0.1";
        m_port = maria ? "3306" : "5432";
        m_maintenanceDb = maria ? "" : "postgres";
        for (const auto& [key, value] : parseConninfo(server, variable)) {
            if (key == "host" || key == "hostaddr") {
                m_host = value;
            } else if (key == "port") {
                m_port = value;
            } else if (key == "user") {
                m_user = value;
            } else if (key == "password") {
                m_password = value;
            } else if (key == "dbname") {
                m_maintenanceDb = value;
            }
        }
        m_database = maria ? "ob" : "ob32pyii_t_" + uniqueSuffix();
        const std::string login = serverLogin(m_maintenanceDb) + ";uid=" + m_user + ";pwd=" + m_password + ";";
        try {
            if (maria) {
                MariaDbHold& hold = mariaDbHold();
                if (hold.users == 0) {
                    hold.connection.setConnectionString(login);
                    hold.connection.Open();
                    // A test that left a transaction open fails the next one instead of hanging it.
                    hold.connection.Execute("SET SESSION lock_wait_timeout = 120");
                    odbc::Recordset got = hold.connection.Execute(std::string("SELECT GET_LOCK(") + kMariaDbLock +
                                                                  ", " + kMariaDbLockWaitSeconds + ")");
                    if (got.Eof() || got.Fields(std::size_t{0}).toTextOrEmpty() != "1") {
                        hold.connection.Close();
                        throw std::runtime_error("MariaDB test database ob stayed taken by another test");
                    }
                }
                ++hold.users;
                hold.connection.Execute("DROP DATABASE IF EXISTS ob");
            } else {
                m_maintenance.setConnectionString(login);
                m_maintenance.Open();
                m_maintenance.Execute("CREATE DATABASE " + m_database);
                m_maintenance.Close();
            }
        } catch (const Failure& f) {
            throw std::runtime_error(engineLabel(e) + " test server (" + variable + "=" + server +
                                     ") cannot be used: " + f.description() + " [" + f.source() + "]");
        }
    }
    try {
        if (e == Engine::MariaDB) {
            for (const std::string& statement : splitSqlScript(readSourceFile("tools/schema/mariadb.sql"))) {
                mariaDbHold().connection.Execute(statement);
            }
        }
        m_connection.setConnectionString(connectionString());
        m_connection.Open();
        if (e == Engine::PostgreSQL) {
            for (const std::string& statement : splitSqlScript(readSourceFile("tools/schema/postgres.sql"))) {
                m_connection.Execute(statement);
            }
        }
    } catch (const Failure& f) {
        throw std::runtime_error("Test database " + m_database + " cannot be prepared: " + f.description() + " [" +
                                 f.source() + "]");
    }
}

TestDatabase::~TestDatabase()
{
    m_connection.Close();
    try {
        if (m_engine == Engine::MariaDB) {
            MariaDbHold& hold = mariaDbHold();
            if (--hold.users == 0) {
                hold.connection.Execute("DROP DATABASE IF EXISTS ob");
                hold.connection.Close(); // frees the lock for the next test
            }
        } else if (m_engine == Engine::PostgreSQL) {
            m_maintenance.setConnectionString(serverLogin(m_maintenanceDb) + ";uid=" + m_user + ";pwd=" +
                                              m_password + ";");
            m_maintenance.Open();
            // FORCE: a connection the test left open must not keep the database.
            m_maintenance.Execute("DROP DATABASE IF EXISTS " + m_database + " WITH (FORCE)");
        }
    } catch (const Failure& f) {
        std::cerr << "warning: could not drop test database " << m_database << ": " << f.description() << '\n';
    }
}

std::string TestDatabase::dbLogin() const
{
    if (m_engine == Engine::SQLite) {
        return std::string("Driver=") + kSqliteDriver + ";Database=" + m_database;
    }
    return serverLogin(m_database);
}

std::string TestDatabase::user() const
{
    return m_user;
}

std::string TestDatabase::password() const
{
    return m_password;
}

std::string TestDatabase::connectionString() const
{
    return "PROVIDER=MSDASQL;" + dbLogin() + ";uid=" + m_user + ";pwd=" + m_password + ";";
}

odbc::Connection& TestDatabase::connection()
{
    return m_connection;
}

void TestDatabase::exec(const std::string& sql)
{
    m_connection.Execute(sql);
}

std::vector<std::vector<std::optional<std::string>>> TestDatabase::rows(const std::string& sql)
{
    std::vector<std::vector<std::optional<std::string>>> out;
    odbc::Recordset rs = m_connection.Execute(sql);
    for (; !rs.Eof(); rs.MoveNext()) {
        std::vector<std::optional<std::string>> row;
        for (std::size_t i = 0; i < rs.FieldCount(); ++i) {
            row.push_back(rs.Fields(i).value());
        }
        out.push_back(std::move(row));
    }
    return out;
}

std::string engineLabel(Engine e)
{
    switch (e) {
    case Engine::SQLite:
        return "SQLite";
    case Engine::PostgreSQL:
        return "PostgreSQL";
    case Engine::MariaDB:
        return "MariaDB";
    }
    return "?";
}

std::string engineName(const ::testing::TestParamInfo<Engine>& info)
{
    return engineLabel(info.param);
}

std::vector<std::string> splitSqlScript(const std::string& script)
{
    std::vector<std::string> statements;
    std::string current;
    bool hasCode = false;
    std::size_t i = 0;
    auto finish = [&] {
        if (hasCode) {
            std::size_t b = current.find_first_not_of(" \t\r\n");
            std::size_t e = current.find_last_not_of(" \t\r\n");
            statements.push_back(current.substr(b, e - b + 1));
        }
        current.clear();
        hasCode = false;
    };
    while (i < script.size()) {
        char c = script[i];
        if (c == '-' && i + 1 < script.size() && script[i + 1] == '-') {
            while (i < script.size() && script[i] != '\n') {
                ++i;
            }
            continue;
        }
        if (c == '/' && i + 1 < script.size() && script[i + 1] == '*') {
            std::size_t end = script.find("*/", i + 2);
            i = end == std::string::npos ? script.size() : end + 2;
            current += ' ';
            continue;
        }
        if (c == '\'' || c == '"') {
            std::size_t j = i + 1;
            while (j < script.size()) {
                if (script[j] == c) {
                    if (j + 1 < script.size() && script[j + 1] == c) {
                        j += 2; // a doubled quote stays inside
                        continue;
                    }
                    break;
                }
                ++j;
            }
            std::size_t end = std::min(j + 1, script.size());
            current.append(script, i, end - i);
            hasCode = true;
            i = end;
            continue;
        }
        if (c == ';') {
            finish();
            ++i;
            continue;
        }
        if (c != ' ' && c != '\t' && c != '\r' && c != '\n') {
            hasCode = true;
        }
        current += c;
        ++i;
    }
    finish();
    return statements;
}

std::string readSourceFile(const std::string& relativePath)
{
    std::string path = std::string(OB_SOURCE_DIR) + "/" + relativePath;
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw std::runtime_error("cannot read " + path);
    }
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

} // namespace ob::test
