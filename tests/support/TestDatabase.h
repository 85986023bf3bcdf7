#pragma once
// A fresh, empty ORBISTA schema for one test on SQLite, and on PostgreSQL and MariaDB when
// OB32PYII_TEST_PG / OB32PYII_TEST_MARIADB name a server (an unreachable one fails the test).

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/odbc/Connection.h"
#include "support/TempDir.h"

namespace ob::test {

enum class Engine { SQLite, PostgreSQL, MariaDB };
using Rows = std::vector<std::vector<std::optional<std::string>>>; // NULL as nullopt

struct TestDatabase {
    static std::vector<Engine> engines();

    // SQLite: a new file; PostgreSQL: a new database, dropped at the end;
    // MariaDB: database ob, taken in turn by the tests of every process.
    explicit TestDatabase(Engine e);
    ~TestDatabase();

    Engine engine() const { return m_engine; }
    // NEXOVA.INI [database] DB_login, e.g. "Driver=SQLite3;Database=/tmp/x/orbista.db".
    std::string dbLogin() const;
    std::string user() const { return m_user; } // credentials that log in
    std::string password() const { return m_password; }
    // The connection string as the login builds it.
    std::string connectionString() const;
    // SQLite: the database file; the servers: the database name.
    const std::string& database() const { return m_database; }

    // An open connection for seeding and checking rows (tables as ob.X).
    odbc::Connection& connection() { return m_connection; }
    void exec(const std::string& sql) { m_connection.Execute(sql); }
    Rows rows(const std::string& sql);

private:
    std::string serverLogin(const std::string& database, bool credentials = false) const;

    Engine m_engine;
    std::unique_ptr<TempDir> m_dir;
    std::string m_database, m_host = "127.0.0.1", m_port, m_user, m_password, m_maintenanceDb;
    odbc::Connection m_connection;
};

std::string engineLabel(Engine e);
std::string engineName(const ::testing::TestParamInfo<Engine>& info);

// A script's statements, split at ";", without "--" comments.
std::vector<std::string> splitSqlScript(const std::string& script);
// The text of a file of the source tree ("tools/schema/sqlite.sql").
std::string readSourceFile(const std::string& relativePath);

} // namespace ob::test
