#include "platform/odbc/Handle.h"

#include "platform/odbc/Diagnostics.h"

namespace ob::odbc {

Handle Handle::allocate(SQLSMALLINT type, const Handle* parent, const std::string& source)
{
    SQLHANDLE input = parent != nullptr ? parent->get() : SQL_NULL_HANDLE;
    SQLHANDLE out = SQL_NULL_HANDLE;
    SQLRETURN rc = SQLAllocHandle(type, input, &out);
    if (!succeeded(rc)) {
        if (parent != nullptr) {
            raiseDiagnostics(rc, parent->type(), parent->get(), source);
        }
        raiseDiagnostics(rc, type, SQL_NULL_HANDLE, source);
    }
    return Handle(type, out);
}

} // namespace ob::odbc
