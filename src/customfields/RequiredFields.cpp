// The custom calibration fields the database requires, completed by the
// operator in the required fields editor.
#include "customfields/RequiredFields.h"

#include <array>
#include <memory>

#include "context/ExchangeKeys.h"
#include "context/ExchangeValues.h"
#include "context/Messages.h"
#include "customfields/RequiredFieldsEditor.h"
#include "platform/Text.h"
#include "platform/regional/Conversions.h"

namespace ob {

namespace {

// The columns of the definition dump, in its order.
constexpr std::array<const char*, 34> kDumpColumns{
    "Fldnum",  "title",      "suppressed", "Ilevels",  "Ireq",   "Idefault",      "Slevels", "Sreq",    "Sdefault",
    "Scopy",   "validation", "merge",      "row",      "col",    "len",           "datalen", "nextfld", "tooltip",
    "datacol", "ftype",      "fform",      "postitle", "maxlen", "dcopy",         "chkfunc", "title2",  "title3",
    "title4",  "title5",     "qrow",       "qcol",     "qsupp",  "MemoFieldSize", "Desktop"};

std::string dumpHeader()
{
    std::string line;
    for (const char* column : kDumpColumns) {
        line += std::string(column) + "\t";
    }
    return line;
}

std::string dumpRow(const odbc::Recordset& rs)
{
    std::string line;
    for (const char* column : kDumpColumns) {
        line += rs.Fields(column).toTextOrEmpty() + "\t";
    }
    return line;
}

} // namespace

bool RequiredFields::GetRequiredCustomFields(const std::string& assetNumber, const std::string& columnList,
                                             std::vector<Entry>& entered)
{
    odbc::Recordset rs;
    try {
        const std::string titleSet = readTitleSet();
        m_ctx.WriteLog("Handling all other required calibration fields...");
        const std::string sql = "SELECT * FROM ob.XE2_Customiz WHERE fform='8' AND ireq='Y' AND Desktop='default';";
        m_ctx.WriteLog(sql);
        rs = m_session.query(sql);
        if (rs.RecordCount() > 0) {
            logDefinitions(rs);
            std::unique_ptr<RequiredFieldsEditor> editor = m_editors.CreateReqFieldsEditor();
            editor->setInstructions(
                "The following required fields must be populated to create a new calibration record for asset " +
                assetNumber + ".");
            const std::vector<std::string> fieldsShown = addUnassignedFields(rs, titleSet, columnList, *editor);
            if (!fieldsShown.empty()) {
                askOperator(*editor, fieldsShown, entered);
            }
        }
    } catch (...) {
        ReportFailure(m_ctx, "Could not get values for custom fields");
        rs.Close();
        return false;
    }
    rs.Close();
    return true;
}

// NEXOVA.INI's [Language] Titleset: the suffix of the title column ("" for title, "2" for title2, ...).
std::string RequiredFields::readTitleSet()
{
    m_ctx.WriteLog("Getting title language setting from INI file...");
    m_ctx.nexova().setSection(keys::Language);
    std::string titleSet;
    bool found = false;
    m_ctx.nexova().ReadString(keys::Titleset, titleSet, found);
    if (!found || regional::val(titleSet) == 1) {
        titleSet.clear();
    }
    m_ctx.WriteLog("Title set: '" + titleSet + "'");
    return titleSet;
}

void RequiredFields::logDefinitions(odbc::Recordset& rs)
{
    m_ctx.WriteLog("There are " + regional::formatInteger(rs.RecordCount()) + " defined custom calibration fields...");
    m_ctx.WriteLog(dumpHeader());
    for (rs.MoveFirst(); !rs.Eof(); rs.MoveNext()) {
        m_ctx.WriteLog(dumpRow(rs));
    }
}

// The definitions whose column the request has not filled go into the
// editor; their names, in order.
std::vector<std::string> RequiredFields::addUnassignedFields(odbc::Recordset& rs, const std::string& titleSet,
                                                             const std::string& entryColumns,
                                                             RequiredFieldsEditor& editor)
{
    std::vector<std::string> fieldsShown;
    for (rs.MoveFirst(); !rs.Eof(); rs.MoveNext()) {
        const odbc::Field dataCol = rs.Fields("DataCol");
        // A null never passes the not-found test; an empty name is found in
        // any non-empty list. The test is a substring test.
        if (dataCol.isNull() || entryColumns.find(*dataCol.value()) != std::string::npos) {
            m_ctx.WriteLog("Field " + dataCol.toTextOrEmpty() + " is already assigned a value...");
            continue;
        }
        const std::string name = *dataCol.value();
        if (!IsPlainColumnName(QualifyColumn(name, "C"))) {
            throw invalidColumnName(name);
        }
        fieldsShown.push_back(name);
        m_ctx.WriteLog("Getting settings for custom field " + name + "...");
        std::shared_ptr<FieldDefinition> field = readField(rs, name, titleSet);
        m_ctx.WriteLog("Adding field object to collection...");
        editor.colReqFields.AddReference(field, name);
    }
    return fieldsShown;
}

std::shared_ptr<FieldDefinition> RequiredFields::readField(const odbc::Recordset& rs, const std::string& name,
                                                           const std::string& titleSet)
{
    auto field = std::make_shared<FieldDefinition>();
    field->setFieldName(name);
    m_ctx.WriteLog("Field name: " + field->FieldName());
    field->setFieldTitle(rs.Fields("Title" + titleSet).toTextOrEmpty());
    m_ctx.WriteLog("Field title: " + field->FieldTitle());
    field->setFieldType(rs.Fields("ftype").toTextOrEmpty());
    m_ctx.WriteLog("Field type: " + field->FieldType());
    field->setValidation(rs.Fields("validation").toTextOrEmpty());
    m_ctx.WriteLog("Validation: " + field->Validation());
    field->setMaxLength(regional::toInt32(regional::val(rs.Fields("maxlen").toTextOrEmpty())));
    m_ctx.WriteLog("MaxLength: " + regional::formatInteger(field->MaxLength()));
    field->setDefaultValue(rs.Fields("Idefault").toTextOrEmpty(), m_ctx.clockNow());
    m_ctx.WriteLog("Default value: " + field->DefaultValue());
    const std::string kind = text::upper(field->Validation());
    if (kind == "PICK" || kind == "FIXED") {
        LoadValidationItems(&field->ValidationItems(), name);
    }
    return field;
}

// The editor, modal; OK gives the operator's values. The record
// is written without them after the close box (the peer waits for the
// action to end); the log says what it lacks.
void RequiredFields::askOperator(RequiredFieldsEditor& editor, const std::vector<std::string>& fieldsShown,
                                 std::vector<Entry>& entered)
{
    bool confirmed = false;
    if (m_ctx.windows().OperatorDisplayAvailable()) {
        editor.ShowModal();
        // After the close box the grid holds its header row only.
        confirmed = editor.Rows() > 1;
        for (int row = 1; row < editor.Rows(); ++row) {
            const std::string column = QualifyColumn(editor.TextMatrix(row, 0), "C");
            const std::string value = editor.TextMatrix(row, 2);
            m_ctx.WriteLog("Adding to insert command: " + column + " => " + value);
            entered.emplace_back(column, value);
        }
    } else {
        // Unattended: nobody could fill the fields in, so the editor counts
        // as closed without values.
        m_ctx.WriteLog("No operator display is available - the required fields editor is closed without values");
    }
    if (!confirmed) {
        std::string names;
        for (const std::string& name : fieldsShown) {
            names += (names.empty() ? "" : ", ") + name;
        }
        m_ctx.WriteLog("Required fields editor closed without OK - required fields left empty: " + names);
    }
}

void RequiredFields::LoadValidationItems(std::vector<std::string>* items, const std::string& fieldName)
{
    if (items == nullptr) {
        m_ctx.WriteLog("The validation pick list values collection is invalid.");
        return;
    }
    odbc::Recordset rs;
    try {
        items->clear();
        m_ctx.WriteLog("Getting validation pick list items for field " + fieldName + "...");
        m_ctx.WriteLog("Checking if field name starts with alpha...");
        if (fieldName.empty()) {
            throw Failure::invalidProcedureCall();
        }
        const bool digitFirst = fieldName[0] >= '0' && fieldName[0] <= '9';
        const std::string fieldNumber = digitFirst ? fieldName : fieldName.substr(1);
        const std::string sql = "SELECT * FROM ob.ValField WHERE Fldnum=" + odbc::quoteLiteral(fieldNumber) + ";";
        m_ctx.WriteLog(sql);
        rs = m_session.query(sql);
        if (rs.RecordCount() > 0) {
            m_ctx.WriteLog("There are " + regional::formatInteger(rs.RecordCount()) +
                           " defined validation items for this field...");
            for (rs.MoveFirst(); !rs.Eof(); rs.MoveNext()) {
                const std::string value = rs.Fields("val").toTextOrEmpty();
                m_ctx.WriteLog("Adding validation item to list: " + value);
                items->push_back(value);
            }
        }
    } catch (...) {
        ReportFailure(m_ctx, "Could not get validation pick list values for custom field '" + fieldName + "'");
    }
    rs.Close();
}

} // namespace ob
