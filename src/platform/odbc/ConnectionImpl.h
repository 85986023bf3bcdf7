#pragma once
// The state behind a Connection, shared by the files that make it up:
// opening (ConnectionOpen.cpp), running statements and fetching their rows
// (Statement.cpp), transactions (Transaction.cpp). Every driver call that may
// wait for the server goes through guarded(), which the watchdog ends when it
// outlives its time.

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/Failure.h"
#include "platform/odbc/Api.h"
#include "platform/odbc/Connection.h"
#include "platform/odbc/ConnectionString.h"
#include "platform/odbc/ConnectionTimeouts.h"
#include "platform/odbc/Engine.h"
#include "platform/odbc/Handle.h"
#include "platform/odbc/Watchdog.h"
#include "platform/regional/Conversions.h"

namespace ob::odbc {

inline constexpr const char* kConnectionSource = "ADODB.Connection";
// The source of failures before a driver is known.
inline constexpr const char* kManagerSource = "ODBC";

inline SQLPOINTER attributeValue(std::uintptr_t v)
{
    return reinterpret_cast<SQLPOINTER>(v);
}

struct Connection::Impl {
    // The driver's own timeout answers first when it can; the watchdog only
    // ends what it cannot.
    static constexpr std::chrono::seconds kWatchdogGrace{1};

    std::string connectionString;
    CursorLocation cursor = CursorLocation::Server;
    Timeouts timeouts;
    const Engine* engine = &plainOdbcEngine();
    std::vector<int> sockets; // the connection's own, cut when a call outlives its time
    bool statementTimeoutInItems = false;
    Watchdog watchdog;
    Handle env;
    ConnectionHandle dbc;
    std::string dbms;
    std::string source = kManagerSource;
    bool inTransaction = false;
    // A joined guard ended without its commit: the transaction may only roll back.
    bool rollbackOnly = false;
    // A commit went through but autocommit could not be switched back on:
    // done before the next statement, whose failure it then is.
    bool autocommitOwed = false;

    void requireOpen() const
    {
        if (!dbc.connected()) {
            throw Failure(3709,
                          "The connection cannot be used to perform this operation. It is either closed or invalid "
                          "in this context.",
                          kConnectionSource);
        }
    }

    static std::chrono::seconds seconds(int n) { return std::chrono::seconds(std::max(n, 1)); }

    // Runs one driver call under the watchdog: a call that outlives `limit`
    // has its sockets cut and fails with a timeout before the driver's text.
    template <class Call> decltype(auto) guarded(std::chrono::seconds limit, Watchdog::SocketSource cut, Call&& call)
    {
        WatchdogScope scope(watchdog, limit + kWatchdogGrace, std::move(cut));
        try {
            return call();
        } catch (Failure& f) {
            if (!scope.fired()) {
                throw;
            }
            throw Failure(f.number(),
                          "Timeout expired - the database did not answer within " +
                              regional::formatInteger(limit.count()) +
                              " seconds and the connection was closed (SQLSTATE HYT00); " + f.description(),
                          f.source());
        }
    }

    // A statement or commit: the command timeout, the connection's sockets.
    template <class Call> decltype(auto) guarded(Call&& call)
    {
        Watchdog::SocketSource cut;
        if (!sockets.empty()) {
            cut = [s = sockets] { return s; };
        }
        return guarded(seconds(timeouts.commandSeconds), std::move(cut), std::forward<Call>(call));
    }

    // ConnectionOpen.cpp
    void open(Connection& self);
    void ensureEnvironment();
    void connect(const std::vector<ConnectionItem>& items);
    std::string dataSourceDriver(const std::string& dsn);
    const Engine& engineOf(const std::vector<ConnectionItem>& items);
    void openSqlite(Connection& self, std::vector<ConnectionItem> items);
    void attachMainFile(Connection& self, std::vector<ConnectionItem> items, std::string file);
    std::string mainDatabaseFile(Connection& self);
    void requireStandardLiterals(Connection& self);

    // Statement.cpp
    Recordset execute(const std::string& sql, long* recordsAffected);

    // Transaction.cpp
    void setAutocommit(bool on);

    void closeHandles() noexcept
    {
        sockets.clear();
        dbc.reset();
        dbms.clear();
        source = kManagerSource;
        inTransaction = false;
        rollbackOnly = false;
    }
};

} // namespace ob::odbc
