#include "platform/odbc/Recordset.h"

#include "platform/Failure.h"
#include "platform/odbc/ConnectionString.h"

namespace ob::odbc {

namespace {

const char* const kSource = "ADODB.Recordset";

Failure closedRecordset()
{
    return Failure(3704, "Operation is not allowed when the object is closed.", kSource);
}

Failure noCurrentRecord()
{
    return Failure(3021,
                   "Either BOF or EOF is True, or the current record has been deleted. Requested operation requires "
                   "a current record.",
                   kSource);
}

Failure itemNotFound()
{
    return Failure(3265, "Item cannot be found in the collection corresponding to the requested name or ordinal.",
                   kSource);
}

} // namespace

Recordset::Recordset(std::vector<std::string> columns, std::vector<FieldKind> kinds,
                     std::vector<std::vector<std::optional<std::string>>> rows)
    : m_columns(std::move(columns)), m_kinds(std::move(kinds)), m_rows(std::move(rows)), m_open(true)
{
    m_kinds.resize(m_columns.size(), FieldKind::Text);
}

void Recordset::MoveFirst()
{
    if (!m_open) {
        throw closedRecordset();
    }
    m_pos = 0;
}

void Recordset::MoveNext()
{
    if (!m_open) {
        throw closedRecordset();
    }
    if (m_pos >= m_rows.size()) {
        throw noCurrentRecord();
    }
    ++m_pos;
}

Field Recordset::Fields(const std::string& name) const
{
    if (!m_open) {
        throw closedRecordset();
    }
    for (std::size_t i = 0; i < m_columns.size(); ++i) {
        if (equalsIgnoreCase(m_columns[i], name)) {
            return Fields(i);
        }
    }
    throw itemNotFound();
}

Field Recordset::Fields(std::size_t index) const
{
    if (!m_open) {
        throw closedRecordset();
    }
    if (index >= m_columns.size()) {
        throw itemNotFound();
    }
    if (m_pos >= m_rows.size()) {
        throw noCurrentRecord();
    }
    const auto& row = m_rows[m_pos];
    std::optional<std::string> value = index < row.size() ? row[index] : std::nullopt;
    return Field(m_columns[index], m_kinds[index], std::move(value));
}

void Recordset::Close() noexcept
{
    m_open = false;
    m_pos = 0;
    m_columns.clear();
    m_kinds.clear();
    m_rows.clear();
}

} // namespace ob::odbc
