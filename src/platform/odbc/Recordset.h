#pragma once
// Recordset: the rows of a query, all fetched at once (client-side cursor), so
// RecordCount is exact. Fields are found by name without regard to case.

#include <string>
#include <vector>

#include "platform/odbc/Field.h"

namespace ob::odbc {

class Recordset {
public:
    Recordset() = default;
    Recordset(std::vector<std::string> columns, std::vector<FieldKind> kinds,
              std::vector<std::vector<std::optional<std::string>>> rows);

    // -1 for a statement that returned no result set.
    long RecordCount() const { return m_open ? static_cast<long>(m_rows.size()) : -1; }
    bool Eof() const { return !m_open || m_pos >= m_rows.size(); }
    bool BOF() const { return !m_open || m_rows.empty(); }
    void MoveFirst();
    void MoveNext();
    // The column of the current row; Failure 3265 "Item cannot be found in the
    // collection corresponding to the requested name or ordinal." when the
    // column does not exist; Failure 3021 when there is no current row.
    Field Fields(const std::string& name) const;
    Field Fields(std::size_t index) const;
    std::size_t FieldCount() const { return m_columns.size(); }
    const std::vector<std::string>& columnNames() const { return m_columns; }
    bool isOpen() const { return m_open; }
    void Close() noexcept;

private:
    std::vector<std::string> m_columns;
    std::vector<FieldKind> m_kinds;
    std::vector<std::vector<std::optional<std::string>>> m_rows;
    std::size_t m_pos = 0;
    bool m_open = false;
};

} // namespace ob::odbc
