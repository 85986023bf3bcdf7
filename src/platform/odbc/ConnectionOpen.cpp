// Opening a connection: the driver and its engine, the timeouts, the SQLite
// file attached as "ob", the switch of a server session to plain literals.
#include <algorithm>
#include <filesystem>
#include <optional>

#include "platform/odbc/ConnectionImpl.h"
#include "platform/odbc/Diagnostics.h"
#include "platform/system/Sockets.h"

namespace ob::odbc {

namespace {

std::string infoText(const ConnectionHandle& dbc, SQLUSMALLINT what)
{
    std::string text;
    if (!succeeded(api::infoText(dbc.get(), what, text))) {
        return {};
    }
    return text;
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

// Another client may hold the SQLite file. The driver's busy time is set when
// it connects: the first connection, which finds the file, waits as long as a
// login may; the one kept for the statements, as a statement may.
class LoginWaits {
public:
    explicit LoginWaits(Timeouts& timeouts) : m_timeouts(timeouts), m_command(timeouts.commandSeconds)
    {
        m_timeouts.commandSeconds = m_timeouts.loginSeconds;
    }
    ~LoginWaits() { m_timeouts.commandSeconds = m_command; }
    LoginWaits(const LoginWaits&) = delete;
    LoginWaits& operator=(const LoginWaits&) = delete;

private:
    Timeouts& m_timeouts;
    int m_command;
};

// '\\' is two characters where a backslash is text, one where it escapes.
bool readsBackslashAsText(Connection& self)
{
    Recordset rs = self.Execute("SELECT '\\\\' AS b");
    return !rs.Eof() && rs.Fields(std::size_t{0}).toTextOrEmpty() == "\\\\";
}

} // namespace

void Connection::Impl::open(Connection& self)
{
    ensureEnvironment();
    std::vector<ConnectionItem> items = splitConnectionString(connectionString);
    // The provider item chooses the ODBC bridge of the data-access layer;
    // it means nothing to a driver.
    removeConnectionItems(items, "PROVIDER");
    engine = &engineOf(items);
    if (engine->localFile) {
        openSqlite(self, std::move(items));
        return;
    }
    // A driver under a name of its own may be SQLite's, which would make a
    // missing file a new empty database as it connects: its item against that
    // goes first. A driver that knows no such item connects past it (01S00).
    std::vector<ConnectionItem> first = items;
    if (engine == &plainOdbcEngine()) {
        setFirstItem(first, "NoCreat", "1");
    }
    connect(first);
    // A data source whose driver has a name of its own tells its engine now.
    if (const Engine* reported = engineOfDbms(dbms)) {
        engine = reported;
    }
    if (engine->localFile) {
        attachMainFile(self, std::move(items), mainDatabaseFile(self));
    } else {
        requireStandardLiterals(self);
    }
}

void Connection::Impl::ensureEnvironment()
{
    if (env) {
        return;
    }
    Handle e = Handle::allocate(SQL_HANDLE_ENV, nullptr, kManagerSource);
    check(SQLSetEnvAttr(e.get(), SQL_ATTR_ODBC_VERSION, attributeValue(SQL_OV_ODBC3), 0), e, kManagerSource);
    env = std::move(e);
}

void Connection::Impl::connect(const std::vector<ConnectionItem>& items)
{
    if (!dbc) {
        dbc = ConnectionHandle(Handle::allocate(SQL_HANDLE_DBC, &env, kManagerSource));
    }
    // The login timeout is the ODBC attribute, the engine adds what its
    // driver needs besides; the statement attribute is set on each statement
    // and the watchdog guards each call. Not every driver knows the
    // attribute; a refusal is no reason to fail.
    SQLSetConnectAttr(dbc.get(), SQL_ATTR_LOGIN_TIMEOUT,
                      attributeValue(static_cast<std::uintptr_t>(timeouts.loginSeconds)), SQL_IS_UINTEGER);
    std::vector<ConnectionItem> withTimeouts = items;
    statementTimeoutInItems = engine->addTimeoutItems != nullptr && engine->addTimeoutItems(withTimeouts, timeouts);
    const std::string text = joinConnectionItems(withTimeouts);
    // The sockets the driver opens now are the connection's own.
    const bool networked = !engine->localFile;
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

std::string Connection::Impl::dataSourceDriver(const std::string& dsn)
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

// The engine of the driver the items name, directly or through their data source.
const Engine& Connection::Impl::engineOf(const std::vector<ConnectionItem>& items)
{
    if (const ConnectionItem* driver = findConnectionItem(items, "DRIVER")) {
        return engineOfDriver(driver->value);
    }
    if (const ConnectionItem* dsn = findConnectionItem(items, "DSN")) {
        return engineOfDriver(dataSourceDriver(dsn->value));
    }
    return plainOdbcEngine();
}

// SQLite has no owner prefix. The file is attached as "ob" to a connection
// whose main database lives in memory, so "ob.Calibration" names the file's
// table. (Attaching the main file a second time would deadlock a transaction
// that writes through both names.)
void Connection::Impl::openSqlite(Connection& self, std::vector<ConnectionItem> items)
{
    std::optional<LoginWaits> waits(std::in_place, timeouts);
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
            f = Failure(f.number(), f.description() + "; The database file '" + database->value + "' does not exist.",
                        f.source());
        }
        throw;
    }
    std::string file = mainDatabaseFile(self);
    waits.reset();
    attachMainFile(self, std::move(items), std::move(file));
}

std::string Connection::Impl::mainDatabaseFile(Connection& self)
{
    Recordset rs = self.Execute("PRAGMA database_list");
    for (; !rs.Eof(); rs.MoveNext()) {
        if (rs.Fields("name").toTextOrEmpty() == "main") {
            return rs.Fields("file").toTextOrEmpty();
        }
    }
    return {};
}

void Connection::Impl::attachMainFile(Connection& self, std::vector<ConnectionItem> items, std::string file)
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

// The one quoting function doubles apostrophes and nothing else, which keeps
// a value exactly as sent only where a backslash in a quoted text is an
// ordinary character. MariaDB and MySQL read it as an escape unless sql_mode
// holds NO_BACKSLASH_ESCAPES; PostgreSQL does when standard_conforming_strings
// is off. Such a session is switched to standard quoting, and one that stays
// otherwise is refused: a value that ended its own literal early would be
// stored changed or run as SQL.
void Connection::Impl::requireStandardLiterals(Connection& self)
{
    if (engine->standardLiterals == nullptr) {
        return; // a backslash is always text
    }
    if (readsBackslashAsText(self)) {
        return;
    }
    std::string why;
    try {
        self.Execute(engine->standardLiterals);
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

} // namespace ob::odbc
