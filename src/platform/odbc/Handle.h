#pragma once
// Handle: owns one ODBC handle (environment, connection or statement) and
// frees it when it goes. Move-only; the destructor never throws.

#include "platform/odbc/Sql.h"

#include <string>
#include <utility>

namespace ob::odbc {

class Handle {
public:
    Handle() noexcept = default;
    Handle(SQLSMALLINT type, SQLHANDLE handle) noexcept : m_type(type), m_handle(handle) {}
    ~Handle() { reset(); }
    Handle(Handle&& other) noexcept
        : m_type(other.m_type), m_handle(std::exchange(other.m_handle, nullptr))
    {
    }
    Handle& operator=(Handle&& other) noexcept
    {
        if (this != &other) {
            reset();
            m_type = other.m_type;
            m_handle = std::exchange(other.m_handle, nullptr);
        }
        return *this;
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;

    SQLHANDLE get() const noexcept { return m_handle; }
    SQLSMALLINT type() const noexcept { return m_type; }
    explicit operator bool() const noexcept { return m_handle != SQL_NULL_HANDLE; }

    void reset() noexcept
    {
        if (m_handle != SQL_NULL_HANDLE) {
            SQLFreeHandle(m_type, m_handle);
            m_handle = SQL_NULL_HANDLE;
        }
    }

    // A new handle of `type` under `parent` (none for an environment). A
    // failure raises the parent's diagnostics with `source`.
    static Handle allocate(SQLSMALLINT type, const Handle* parent, const std::string& source);

private:
    SQLSMALLINT m_type = SQL_HANDLE_ENV;
    SQLHANDLE m_handle = SQL_NULL_HANDLE;
};

// A connection handle that is disconnected before it is freed.
class ConnectionHandle {
public:
    ConnectionHandle() noexcept = default;
    explicit ConnectionHandle(Handle handle) noexcept : m_handle(std::move(handle)) {}
    ~ConnectionHandle() { reset(); }
    ConnectionHandle(ConnectionHandle&& other) noexcept
        : m_handle(std::move(other.m_handle)), m_connected(std::exchange(other.m_connected, false))
    {
    }
    ConnectionHandle& operator=(ConnectionHandle&& other) noexcept
    {
        if (this != &other) {
            reset();
            m_handle = std::move(other.m_handle);
            m_connected = std::exchange(other.m_connected, false);
        }
        return *this;
    }
    ConnectionHandle(const ConnectionHandle&) = delete;
    ConnectionHandle& operator=(const ConnectionHandle&) = delete;

    const Handle& handle() const noexcept { return m_handle; }
    SQLHDBC get() const noexcept { return m_handle.get(); }
    explicit operator bool() const noexcept { return static_cast<bool>(m_handle); }
    bool connected() const noexcept { return m_connected; }
    void setConnected(bool connected) noexcept { m_connected = connected; }

    void disconnect() noexcept
    {
        if (m_connected) {
            SQLDisconnect(m_handle.get());
            m_connected = false;
        }
    }
    void reset() noexcept
    {
        disconnect();
        m_handle.reset();
    }

private:
    Handle m_handle;
    bool m_connected = false;
};

} // namespace ob::odbc
