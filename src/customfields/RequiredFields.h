#pragma once
// RequiredFields: the custom calibration fields the database requires
// (ob.XE2_Customiz) that the request has not filled, completed by the
// operator in the required fields editor, with their pick lists
// (ob.ValField).

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "context/Context.h"
#include "customfields/FieldDefinition.h"
#include "customfields/RequiredFieldsEditor.h"
#include "session/Session.h"

namespace ob {

class RequiredFields {
public:
    RequiredFields(Context& context, Session& session, RequiredFieldsEditors& editors)
        : m_ctx(context), m_session(session), m_editors(editors)
    {
    }

    // A column and the value the operator entered for it.
    using Entry = std::pair<std::string, std::string>;

    // The required fields that `columnList` (the INSERT's columns so far) does
    // not name, shown to the operator; `entered` receives their values.
    // False when a failure stopped it (the error is set).
    bool GetRequiredCustomFields(const std::string& assetNumber, const std::string& columnList,
                                 std::vector<Entry>& entered);
    void LoadValidationItems(std::vector<std::string>* items, const std::string& fieldName);

private:
    // The steps of GetRequiredCustomFields.
    std::string readTitleSet();
    void logDefinitions(odbc::Recordset& rs);
    std::vector<std::string> addUnassignedFields(odbc::Recordset& rs, const std::string& titleSet,
                                                 const std::string& entryColumns, RequiredFieldsEditor& editor);
    std::shared_ptr<FieldDefinition> readField(const odbc::Recordset& rs, const std::string& name,
                                               const std::string& titleSet);
    void askOperator(RequiredFieldsEditor& editor, const std::vector<std::string>& fieldsShown,
                     std::vector<Entry>& entered);

    Context& m_ctx;
    Session& m_session;
    RequiredFieldsEditors& m_editors;
};

} // namespace ob
