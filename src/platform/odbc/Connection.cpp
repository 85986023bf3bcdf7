#include "platform/odbc/Connection.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <vector>

#include "platform/Failure.h"
#include "platform/odbc/Api.h"
#include "platform/odbc/ConnectionString.h"
#include "platform/odbc/ConnectionTimeouts.h"
#include "platform/odbc/Diagnostics.h"
#include "platform/odbc/Handle.h"
#include "platform/odbc/Watchdog.h"
#include "platform/system/Sockets.h"

namespace ob::odbc {

namespace {

const char* const kConnectionSource = "ADODB.Connection";
// The source of failures before a driver is known.
const char* const kManagerSource = "ODBC";
// The driver's own timeout answers first when it can; the watchdog only ends
// what it cannot.
constexpr std::chrono::seconds kWatchdogGrace{1};

SQLPOINTER attributeValue(std::uintptr_t v)
{
    return reinterpret_cast<SQLPOINTER>(v);
}

std::string numberText(long long v)
{
    char buf[24];
    auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v);
    (void)ec;
    return std::string(buf, end);
}

// The SQLite driver takes the first item of a name and reads no braces, so a
// user name "x;Database=other.db" would name its file: the program's own items
// go first, ahead of the user name and password.
void setFirstItem(std::vector<ConnectionItem>& items, const std::string& key, const std::string& value)
{
    removeConnectionItems(items, key);
    addConnectionItem(items, key, value);
    std::rotate(items.begin(), items.end() - 1, items.end());
}

FieldKind kindOf(SQLSMALLINT type)
{
    switch (type) {
    case SQL_TYPE_DATE:
    case SQL_DATE:
        return FieldKind::Date;
    case SQL_TYPE_TIME:
    case SQL_TIME:
        return FieldKind::Time;
    case SQL_TYPE_TIMESTAMP:
    case SQL_TIMESTAMP:
        return FieldKind::Timestamp;
    case SQL_NUMERIC:
    case SQL_DECIMAL:
    case SQL_INTEGER:
    case SQL_SMALLINT:
    case SQL_FLOAT:
    case SQL_REAL:
    case SQL_DOUBLE:
    case SQL_BIGINT:
    case SQL_TINYINT:
    case SQL_BIT:
        return FieldKind::Number;
    default:
        return FieldKind::Text;
    }
}

std::string infoText(const ConnectionHandle& dbc, SQLUSMALLINT what)
{
    std::string text;
    if (!succeeded(api::infoText(dbc.get(), what, text))) {
        return {};
    }
    return text;
}

std::optional<std::string> readValue(const Handle& stmt, SQLUSMALLINT column, const std::string& source)
{
    std::optional<std::string> value;
    check(api::textData(stmt.get(), column, value), stmt, source);
    return value;
}

} // namespace

struct Connection::Impl {
    std::string connectionString;
    CursorLocation cursor = CursorLocation::Server;
    Timeouts timeouts;
    DriverFamily family = DriverFamily::Other;
    std::vector<int> sockets; // the connection's own, cut when a call outlives its time
    bool statementTimeoutInItems = false;
    Watchdog watchdog;
    Handle env;
    ConnectionHandle dbc;
    std::string dbms;
    std::string source = kManagerSource;
    bool inTransaction = false;
    int savepointCounter = 0;

    void requireOpen() const
    {
        if (!dbc.connected()) {
            throw Failure(3709,
                          "The connection cannot be used to perform this operation. It is either closed or invalid "
                          "in this context.",
                          kConnectionSource);
        }
    }

    void ensureEnvironment()
    {
        if (env) {
            return;
        }
        Handle e = Handle::allocate(SQL_HANDLE_ENV, nullptr, kManagerSource);
        check(SQLSetEnvAttr(e.get(), SQL_ATTR_ODBC_VERSION, attributeValue(SQL_OV_ODBC3), 0), e, kManagerSource);
        env = std::move(e);
    }

    // Login and statement timeouts: the ODBC attribute for the login, and
    // what the driver needs in the connection text besides (the statement
    // attribute is set on each statement, the watchdog guards each call).
    void applyTimeouts(std::vector<ConnectionItem>& items)
    {
        // Not every driver knows the attribute; a refusal is no reason to fail.
        SQLSetConnectAttr(dbc.get(), SQL_ATTR_LOGIN_TIMEOUT,
                          attributeValue(static_cast<std::uintptr_t>(timeouts.loginSeconds)), SQL_IS_UINTEGER);
        statementTimeoutInItems = addTimeoutItems(items, family, timeouts);
    }

    void applyStatementTimeout(const Handle& stmt)
    {
        if (statementTimeoutInItems) {
            return;
        }
        // A refusal is no reason to fail.
        SQLSetStmtAttr(stmt.get(), SQL_ATTR_QUERY_TIMEOUT,
                       attributeValue(static_cast<std::uintptr_t>(timeouts.commandSeconds)), SQL_IS_UINTEGER);
    }

    static std::chrono::seconds seconds(int n) { return std::chrono::seconds(std::max(n, 1)); }

    // Runs one driver call under the watchdog: a call that outlives `limit`
    // has its sockets cut and fails with a timeout before the driver's text.
    template <class Call>
    decltype(auto) guarded(std::chrono::seconds limit, Watchdog::SocketSource cut, Call&& call)
    {
        WatchdogScope scope(watchdog, limit + kWatchdogGrace, std::move(cut));
        try {
            return call();
        } catch (Failure& f) {
            if (!scope.fired()) {
                throw;
            }
            throw Failure(f.number(),
                          "Timeout expired - the database did not answer within " + numberText(limit.count()) +
                              " seconds and the connection was closed (SQLSTATE HYT00); " + f.description(),
                          f.source());
        }
    }

    template <class Call>
    decltype(auto) guarded(Call&& call)
    {
        Watchdog::SocketSource cut;
        if (!sockets.empty()) {
            cut = [s = sockets] { return s; };
        }
        return guarded(seconds(timeouts.commandSeconds), std::move(cut), std::forward<Call>(call));
    }

    void connect(const std::vector<ConnectionItem>& items)
    {
        if (!dbc) {
            dbc = ConnectionHandle(Handle::allocate(SQL_HANDLE_DBC, &env, kManagerSource));
        }
        std::vector<ConnectionItem> withTimeouts = items;
        applyTimeouts(withTimeouts);
        std::string text = joinConnectionItems(withTimeouts);
        // The sockets the driver opens now are the connection's own.
        const bool networked = family != DriverFamily::SQLite;
        const std::vector<int> before = networked ? sys::openSockets() : std::vector<int>();
        auto newSockets = [before] {
            std::vector<int> now = sys::openSockets();
            std::erase_if(now, [&](int s) { return std::find(before.begin(), before.end(), s) != before.end(); });
            return now;
        };
        guarded(seconds(timeouts.loginSeconds), networked ? Watchdog::SocketSource(newSockets) : nullptr,
                [&] { check(api::driverConnect(dbc.get(), text), dbc.handle(), kManagerSource); });
        dbc.setConnected(true);
        sockets = networked ? newSockets() : std::vector<int>();
        source = infoText(dbc, SQL_DRIVER_NAME);
        if (source.empty()) {
            source = kManagerSource;
        }
        dbms = infoText(dbc, SQL_DBMS_NAME);
    }

    std::string dataSourceDriver(const std::string& dsn)
    {
        std::string name;
        std::string description;
        std::string found;
        SQLUSMALLINT direction = SQL_FETCH_FIRST;
        while (succeeded(api::dataSource(env.get(), direction, name, description))) {
            direction = SQL_FETCH_NEXT;
            if (found.empty() && equalsIgnoreCase(name, dsn)) {
                found = description;
            }
        }
        return found;
    }

    // The driver the items name, directly or through their data source.
    DriverFamily familyOf(const std::vector<ConnectionItem>& items)
    {
        if (const ConnectionItem* driver = findConnectionItem(items, "DRIVER")) {
            return driverFamily(driver->value);
        }
        if (const ConnectionItem* dsn = findConnectionItem(items, "DSN")) {
            return driverFamily(dataSourceDriver(dsn->value));
        }
        return DriverFamily::Other;
    }

    std::string mainDatabaseFile(Connection& self)
    {
        Recordset rs = self.Execute("PRAGMA database_list");
        for (; !rs.Eof(); rs.MoveNext()) {
            if (rs.Fields("name").toTextOrEmpty() == "main") {
                return rs.Fields("file").toTextOrEmpty();
            }
        }
        return {};
    }

    // Another client may hold the SQLite file. The driver's busy time is set
    // when it connects: the first connection, which finds the file, waits as
    // long as a login may; the one kept for the statements, as a statement may.
    struct LoginWaits {
        explicit LoginWaits(Impl& impl) : d(impl), command(impl.timeouts.commandSeconds)
        {
            d.timeouts.commandSeconds = d.timeouts.loginSeconds;
        }
        ~LoginWaits() { d.timeouts.commandSeconds = command; }
        LoginWaits(const LoginWaits&) = delete;
        LoginWaits& operator=(const LoginWaits&) = delete;
        Impl& d;
        int command;
    };

    // SQLite has no owner prefix. The file is attached as "ob" to a connection
    // whose main database lives in memory, so "ob.Calibration" names the
    // file's table. (Attaching the main file a second time would deadlock a
    // transaction that writes through both names.)
    void openSqlite(Connection& self, std::vector<ConnectionItem> items)
    {
        std::optional<LoginWaits> waits(std::in_place, *this);
        // A missing file is an error, never a new empty database.
        std::vector<ConnectionItem> probe = items;
        setFirstItem(probe, "NoCreat", "1");
        try {
            connect(probe);
            // A file another client holds fails here, within the login's time.
            self.Execute("SELECT count(*) FROM sqlite_master");
        } catch (Failure& f) {
            const ConnectionItem* database = findConnectionItem(items, "Database");
            std::error_code ec;
            if (database != nullptr && !database->value.empty() && !std::filesystem::exists(database->value, ec)) {
                f = Failure(f.number(), f.description() + "; The database file '" + database->value +
                                            "' does not exist.",
                            f.source());
            }
            throw;
        }
        std::string file = mainDatabaseFile(self);
        waits.reset();
        attachMainFile(self, std::move(items), std::move(file));
    }

    void attachMainFile(Connection& self, std::vector<ConnectionItem> items, std::string file)
    {
        if (file.empty()) {
            throw Failure(Failure::kDatabaseError, "The SQLite database of the data source is not a file.", source);
        }
        dbc.disconnect();
        removeConnectionItems(items, "NoCreat");
        setFirstItem(items, "Database", ":memory:");
        connect(items);
        self.Execute("ATTACH DATABASE " + quoteLiteral(file) + " AS ob");
        // A file that is not a database fails here, at Open, not at the first query.
        self.Execute("SELECT count(*) FROM ob.sqlite_master");
    }

    // The one quoting function doubles apostrophes and nothing else, which
    // keeps a value exactly as sent only where a backslash in a quoted text is
    // an ordinary character. MariaDB and MySQL read it as an escape unless
    // sql_mode holds NO_BACKSLASH_ESCAPES; PostgreSQL does when
    // standard_conforming_strings is off. Such a session is switched to
    // standard quoting, and one that stays otherwise is refused: a value that
    // ended its own literal early would be stored changed or run as SQL.
    void requireStandardLiterals(Connection& self)
    {
        std::string attempt;
        if (containsIgnoreCase(dbms, "MariaDB") || containsIgnoreCase(dbms, "MySQL")) {
            // Keeps the rest of the server's sql_mode (strict mode above all).
            attempt = "SET SESSION sql_mode = CONCAT_WS(',', NULLIF(@@SESSION.sql_mode, ''), 'NO_BACKSLASH_ESCAPES')";
        } else if (containsIgnoreCase(dbms, "PostgreSQL")) {
            attempt = "SET standard_conforming_strings = on";
        } else {
            return; // SQL Server, Oracle, ...: a backslash is always text
        }
        if (readsBackslashAsText(self)) {
            return;
        }
        std::string why;
        try {
            self.Execute(attempt);
            if (readsBackslashAsText(self)) {
                return;
            }
        } catch (const Failure& f) {
            why = " (" + f.description() + ")";
        }
        throw Failure(Failure::kDatabaseError,
                      "The database server (" + dbms +
                          ") reads a backslash in a quoted text as an escape character and this session could not be "
                          "switched to standard quoting" +
                          why + "; values would not be stored as sent, so the connection is refused.",
                      source);
    }

    // '\\' is two characters where a backslash is text, one where it escapes.
    static bool readsBackslashAsText(Connection& self)
    {
        Recordset rs = self.Execute("SELECT '\\\\' AS b");
        return !rs.Eof() && rs.Fields(std::size_t{0}).toTextOrEmpty() == "\\\\";
    }

    void setAutocommit(bool on)
    {
        check(SQLSetConnectAttr(dbc.get(), SQL_ATTR_AUTOCOMMIT,
                                attributeValue(on ? SQL_AUTOCOMMIT_ON : SQL_AUTOCOMMIT_OFF), SQL_IS_UINTEGER),
              dbc.handle(), source);
    }

    Recordset execute(const std::string& sql, long* recordsAffected);

    void closeHandles() noexcept
    {
        sockets.clear();
        dbc.reset();
        dbms.clear();
        source = kManagerSource;
        inTransaction = false;
        savepointCounter = 0;
    }
};

Connection::Connection() : m_impl(std::make_unique<Impl>()) {}

Connection::~Connection()
{
    Close();
}

void Connection::setConnectionString(std::string text)
{
    m_impl->connectionString = std::move(text);
}

const std::string& Connection::ConnectionString() const
{
    return m_impl->connectionString;
}

void Connection::Open()
{
    Impl& d = *m_impl;
    if (d.dbc.connected()) {
        throw Failure(3705, "Operation is not allowed when the object is open.", kConnectionSource);
    }
    try {
        d.ensureEnvironment();
        std::vector<ConnectionItem> items = splitConnectionString(d.connectionString);
        // The provider item chooses the ODBC bridge of the data-access layer;
        // it means nothing to a driver.
        removeConnectionItems(items, "PROVIDER");
        d.family = d.familyOf(items);
        if (d.family == DriverFamily::SQLite) {
            d.openSqlite(*this, std::move(items));
        } else {
            d.connect(items);
            if (equalsIgnoreCase(d.dbms, "SQLite")) {
                d.family = DriverFamily::SQLite;
                d.attachMainFile(*this, std::move(items), d.mainDatabaseFile(*this));
            } else {
                d.requireStandardLiterals(*this);
            }
        }
    } catch (...) {
        d.closeHandles();
        throw;
    }
}

void Connection::setLoginTimeout(int seconds)
{
    m_impl->timeouts.loginSeconds = std::max(seconds, 1);
}

int Connection::loginTimeout() const
{
    return m_impl->timeouts.loginSeconds;
}

void Connection::setCommandTimeout(int seconds)
{
    m_impl->timeouts.commandSeconds = std::max(seconds, 1);
}

int Connection::commandTimeout() const
{
    return m_impl->timeouts.commandSeconds;
}

int Connection::State() const
{
    return m_impl->dbc.connected() ? 1 : 0;
}

void Connection::setCursorLocation(CursorLocation where)
{
    m_impl->cursor = where;
}

CursorLocation Connection::cursorLocation() const
{
    return m_impl->cursor;
}

Recordset Connection::Execute(const std::string& sql, long* recordsAffected)
{
    Impl& d = *m_impl;
    d.requireOpen();
    return d.guarded([&] { return d.execute(sql, recordsAffected); });
}

Recordset Connection::Impl::execute(const std::string& sql, long* recordsAffected)
{
    Impl& d = *this;
    Handle stmt = Handle::allocate(SQL_HANDLE_STMT, &d.dbc.handle(), d.source);
    d.applyStatementTimeout(stmt);
    SQLRETURN rc = api::execDirect(stmt.get(), sql);
    if (rc == SQL_NO_DATA) {
        // An UPDATE or DELETE that touched no row.
        if (recordsAffected != nullptr) {
            *recordsAffected = 0;
        }
        return Recordset();
    }
    check(rc, stmt, d.source);

    SQLSMALLINT columnCount = 0;
    check(SQLNumResultCols(stmt.get(), &columnCount), stmt, d.source);
    if (columnCount <= 0) {
        SQLLEN count = 0;
        check(SQLRowCount(stmt.get(), &count), stmt, d.source);
        if (recordsAffected != nullptr) {
            *recordsAffected = static_cast<long>(count);
        }
        return Recordset();
    }

    std::vector<std::string> names;
    std::vector<FieldKind> kinds;
    for (SQLUSMALLINT i = 1; i <= static_cast<SQLUSMALLINT>(columnCount); ++i) {
        std::string name;
        SQLSMALLINT type = 0;
        check(api::describeColumn(stmt.get(), i, name, type), stmt, d.source);
        names.push_back(std::move(name));
        kinds.push_back(kindOf(type));
    }

    std::vector<std::vector<std::optional<std::string>>> rows;
    for (;;) {
        rc = SQLFetch(stmt.get());
        if (rc == SQL_NO_DATA) {
            break;
        }
        check(rc, stmt, d.source);
        std::vector<std::optional<std::string>> row;
        row.reserve(names.size());
        for (SQLUSMALLINT i = 1; i <= static_cast<SQLUSMALLINT>(columnCount); ++i) {
            row.push_back(readValue(stmt, i, d.source));
        }
        rows.push_back(std::move(row));
    }
    if (recordsAffected != nullptr) {
        *recordsAffected = -1;
    }
    return Recordset(std::move(names), std::move(kinds), std::move(rows));
}

void Connection::Close() noexcept
{
    if (m_impl->inTransaction) {
        rollback();
    }
    m_impl->closeHandles();
}

const std::string& Connection::dbmsName() const
{
    return m_impl->dbms;
}

bool Connection::inTransaction() const
{
    return m_impl->inTransaction;
}

void Connection::beginTransaction()
{
    Impl& d = *m_impl;
    d.requireOpen();
    if (d.inTransaction) {
        throw Failure(Failure::kDatabaseError, "A transaction is already in progress on this connection.",
                      kConnectionSource);
    }
    d.guarded([&] { d.setAutocommit(false); });
    d.inTransaction = true;
    d.savepointCounter = 0;
}

void Connection::commit()
{
    Impl& d = *m_impl;
    d.requireOpen();
    if (!d.inTransaction) {
        throw Failure(Failure::kDatabaseError, "No transaction is in progress on this connection.", kConnectionSource);
    }
    try {
        d.guarded([&] {
            SQLRETURN rc = SQLEndTran(SQL_HANDLE_DBC, d.dbc.get(), SQL_COMMIT);
            if (!succeeded(rc)) {
                // Take the diagnostics before the rollback replaces them.
                raiseDiagnostics(rc, SQL_HANDLE_DBC, d.dbc.get(), d.source);
            }
        });
    } catch (...) {
        rollback();
        throw;
    }
    d.inTransaction = false;
    d.guarded([&] { d.setAutocommit(true); });
}

void Connection::rollback() noexcept
{
    Impl& d = *m_impl;
    if (!d.inTransaction) {
        return;
    }
    d.inTransaction = false;
    if (d.dbc.connected()) {
        try {
            d.guarded([&] {
                SQLEndTran(SQL_HANDLE_DBC, d.dbc.get(), SQL_ROLLBACK);
                SQLSetConnectAttr(d.dbc.get(), SQL_ATTR_AUTOCOMMIT, attributeValue(SQL_AUTOCOMMIT_ON),
                                  SQL_IS_UINTEGER);
            });
        } catch (...) {
            // Nothing to report: a rollback that cannot reach the server leaves nothing committed.
        }
    }
}

Transaction::Transaction(Connection& c) : m_conn(c)
{
    if (!c.inTransaction()) {
        c.beginTransaction();
        return;
    }
    std::string name = "sp_" + numberText(++c.m_impl->savepointCounter);
    c.Execute("SAVEPOINT " + name);
    m_savepoint = std::move(name);
}

Transaction::~Transaction()
{
    if (m_done) {
        return;
    }
    if (m_savepoint.empty()) {
        m_conn.rollback();
        return;
    }
    try {
        m_conn.Execute("ROLLBACK TO SAVEPOINT " + m_savepoint);
        m_conn.Execute("RELEASE SAVEPOINT " + m_savepoint);
    } catch (...) {
        // The outer guard decides; a failed rollback to the savepoint must not
        // escape a destructor.
    }
}

void Transaction::commit()
{
    if (m_done) {
        return;
    }
    if (m_savepoint.empty()) {
        m_conn.commit();
    } else {
        m_conn.Execute("RELEASE SAVEPOINT " + m_savepoint);
    }
    m_done = true;
}

} // namespace ob::odbc
