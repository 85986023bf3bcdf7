#pragma once
// TestDatabase: a fresh, empty ORBISTA schema for one test, on SQLite (always),
// PostgreSQL (when OB32PYII_TEST_PG names a server, as scripts/pg-test-server
// prints it) and MariaDB (OB32PYII_TEST_MARIADB, from scripts/mariadb-test-server).
// Database tests are parameterised over engines():
//
//   class MyTest : public ::testing::TestWithParam<ob::test::Engine> {};
//   TEST_P(MyTest, doesY) { ob::test::TestDatabase db(GetParam()); ... }
//   INSTANTIATE_TEST_SUITE_P(Engines, MyTest, ::testing::ValuesIn(ob::test::TestDatabase::engines()),
//                            ob::test::engineName);
//
// With a server's variable set, an unreachable server fails the test; without
// it that engine's cases are not instantiated and one line says so.

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/odbc/Connection.h"
#include "support/TempDir.h"

namespace ob::test {

enum class Engine { SQLite, PostgreSQL, MariaDB };

struct TestDatabase {
    static std::vector<Engine> engines();

    // SQLite: a new file in a temporary folder with tools/schema/sqlite.sql.
    // PostgreSQL: a new database (unique name) with tools/schema/postgres.sql,
    // dropped again in the destructor. MariaDB: database ob with
    // tools/schema/mariadb.sql; the statements name it, so tests on one server
    // take it in turn.
    explicit TestDatabase(Engine e);
    ~TestDatabase();
    TestDatabase(const TestDatabase&) = delete;
    TestDatabase& operator=(const TestDatabase&) = delete;

    Engine engine() const { return m_engine; }
    // The data-source text of NEXOVA.INI [database] DB_login, e.g.
    // "Driver=SQLite3;Database=/tmp/x/orbista.db".
    std::string dbLogin() const;
    // Credentials that log in (SQLite ignores them).
    std::string user() const;
    std::string password() const;
    // The connection string as the login builds it from the three above.
    std::string connectionString() const;
    // SQLite: the database file; the servers: the database name.
    const std::string& database() const { return m_database; }

    // An open connection for seeding and checking rows (tables as ob.X).
    odbc::Connection& connection();
    void exec(const std::string& sql);
    std::vector<std::vector<std::optional<std::string>>> rows(const std::string& sql);

private:
    std::string serverLogin(const std::string& database) const;

    Engine m_engine;
    std::unique_ptr<TempDir> m_dir;
    std::string m_database;
    std::string m_host;
    std::string m_port;
    std::string m_user;
    std::string m_password;
    std::string m_maintenanceDb;
    odbc::Connection m_maintenance;
    odbc::Connection m_connection;
};

std::string engineLabel(Engine e);
std::string engineName(const ::testing::TestParamInfo<Engine>& info);

// A script's statements, split at ";" outside literals, quoted names and comments.
std::vector<std::string> splitSqlScript(const std::string& script);
// The text of a file of the source tree ("tools/schema/sqlite.sql").
std::string readSourceFile(const std::string& relativePath);

} // namespace ob::test
