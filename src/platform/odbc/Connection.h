#pragma once
// Connection: one ODBC connection. Every handle is owned, every return code
// checked; a failing call raises Failure(-2147467259, the driver's diagnostic
// records with their SQLSTATEs, the driver as source).
//
// SQLite has no owner prefix: a connection to an SQLite file is opened on an
// in-memory main database with the file attached as "ob", so "ob.Calibration"
// names the file's table. A missing database file is an error, never a new file.
//
// A server session that reads a backslash in a quoted text as an escape
// (MariaDB's default sql_mode, PostgreSQL without standard_conforming_strings)
// is switched to plain literals at Open, or Open fails: quoteLiteral's text is
// then the value on every open connection.
//
// What differs between database engines is in Engine; the rest is split by
// task: ConnectionOpen.cpp, Statement.cpp, Transaction.cpp.

#include <memory>
#include <string>

#include "platform/odbc/Recordset.h"

namespace ob::odbc {

enum class CursorLocation { Server = 2, Client = 3 };

class Connection {
public:
    Connection();
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    void setConnectionString(std::string text);
    const std::string& ConnectionString() const;

    void Open();
    // Seconds a login may take before it fails (15 unless set, at least 1); a
    // stopped or unreachable server ends the login with an error instead of a hang.
    void setLoginTimeout(int seconds);
    // Seconds each statement with its rows, and each commit, may take (30
    // unless set, at least 1). Set before Open. A call to a server that stops
    // answering fails after that time with "Timeout expired ... (SQLSTATE
    // HYT00)" and the driver's text; the connection is then closed, and every
    // later call on it fails at once.
    void setCommandTimeout(int seconds);
    // 0 closed, 1 open. Calls are synchronous, so never 4 (executing).
    int State() const;
    void setCursorLocation(CursorLocation where);
    CursorLocation cursorLocation() const;

    // Runs one statement. A query returns its rows; any other statement an
    // empty, closed recordset. recordsAffected receives the row count of an
    // INSERT, UPDATE or DELETE (0 when the driver reports no data).
    Recordset Execute(const std::string& sql, long* recordsAffected = nullptr);
    void Close() noexcept;

    // "SQLite", "PostgreSQL", ... as the driver reports it; empty when closed.
    const std::string& dbmsName() const;

    // Transactions; see Transaction for the guard.
    bool inTransaction() const;
    void beginTransaction();
    void commit();
    void rollback() noexcept;

private:
    friend class Transaction;
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

// Transaction guard: commits only when commit() is called, rolls back in the
// destructor otherwise. A guard opened inside a transaction joins it: its
// part commits with the whole, and a joined guard that ends without commit()
// makes the whole roll back.
class Transaction {
public:
    explicit Transaction(Connection& c);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    void commit();

private:
    Connection& m_conn;
    bool m_joined; // opened inside a transaction
    bool m_done = false;
};

// One function quotes every SQL literal: the text between apostrophes, each
// apostrophe doubled, so the stored value is exactly the text given.
std::string quoteLiteral(const std::string& text);
// The body of a literal without the surrounding apostrophes (apostrophes doubled).
std::string escapeLiteral(const std::string& text);

} // namespace ob::odbc
