// Transactions of a connection and the guard that commits or rolls back.
#include "platform/odbc/ConnectionImpl.h"
#include "platform/odbc/Diagnostics.h"

namespace ob::odbc {

void Connection::Impl::setAutocommit(bool on)
{
    check(SQLSetConnectAttr(dbc.get(), SQL_ATTR_AUTOCOMMIT, attributeValue(on ? SQL_AUTOCOMMIT_ON : SQL_AUTOCOMMIT_OFF),
                            SQL_IS_UINTEGER),
          dbc.handle(), source);
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
    d.autocommitOwed = false;
    d.inTransaction = true;
    d.rollbackOnly = false;
}

void Connection::commit()
{
    Impl& d = *m_impl;
    d.requireOpen();
    if (!d.inTransaction) {
        throw Failure(Failure::kDatabaseError, "No transaction is in progress on this connection.", kConnectionSource);
    }
    if (d.rollbackOnly) {
        rollback();
        throw Failure(Failure::kDatabaseError,
                      "A part of the transaction failed, so none of it was committed; it was rolled back.",
                      kConnectionSource);
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
    // The work is committed from here on: a failure to leave transaction mode
    // must not report it as failed (or as rolled back).
    try {
        d.guarded([&] { d.setAutocommit(true); });
    } catch (...) {
        d.autocommitOwed = true;
    }
}

void Connection::rollback() noexcept
{
    Impl& d = *m_impl;
    if (!d.inTransaction) {
        return;
    }
    d.inTransaction = false;
    d.rollbackOnly = false;
    if (d.dbc.connected()) {
        try {
            d.guarded([&] {
                SQLEndTran(SQL_HANDLE_DBC, d.dbc.get(), SQL_ROLLBACK);
                SQLSetConnectAttr(d.dbc.get(), SQL_ATTR_AUTOCOMMIT, attributeValue(SQL_AUTOCOMMIT_ON), SQL_IS_UINTEGER);
            });
        } catch (...) {
            // Nothing to report: a rollback that cannot reach the server leaves nothing committed.
        }
    }
}

// A guard inside a transaction joins it: its statements commit or roll back
// with the outer ones. Engines spell nested transactions differently (SQL
// Server has no SAVEPOINT) and the outer transaction already makes the part
// all-or-nothing; a joined guard that ends without its commit leaves the
// transaction able only to roll back, so a failed part is never committed.
Transaction::Transaction(Connection& c) : m_conn(c), m_joined(c.inTransaction())
{
    if (!m_joined) {
        c.beginTransaction();
    }
}

Transaction::~Transaction()
{
    if (m_done) {
        return;
    }
    if (!m_joined) {
        m_conn.rollback();
    } else if (m_conn.inTransaction()) {
        m_conn.m_impl->rollbackOnly = true;
    }
}

void Transaction::commit()
{
    if (m_done) {
        return;
    }
    if (!m_joined) {
        m_conn.commit();
    }
    m_done = true;
}

} // namespace ob::odbc
