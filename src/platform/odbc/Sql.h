#pragma once
// The ODBC API headers. Windows' own need <windows.h> before them.

#if defined(_WIN32)
#include <windows.h>
#endif

#include <sql.h>
#include <sqlext.h>
