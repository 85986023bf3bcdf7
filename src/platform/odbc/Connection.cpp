#include "platform/odbc/Connection.h"

#include "platform/odbc/ConnectionImpl.h"

namespace ob::odbc {

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
        d.open(*this);
    } catch (...) {
        d.closeHandles();
        throw;
    }
}

void Connection::setLoginTimeout(int seconds)
{
    m_impl->timeouts.loginSeconds = std::max(seconds, 1);
}

void Connection::setCommandTimeout(int seconds)
{
    m_impl->timeouts.commandSeconds = std::max(seconds, 1);
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
    if (d.autocommitOwed && !d.inTransaction) {
        d.guarded([&] { d.setAutocommit(true); });
        d.autocommitOwed = false;
    }
    return d.guarded([&] { return d.execute(sql, recordsAffected); });
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

} // namespace ob::odbc
