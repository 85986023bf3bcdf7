#pragma once
// RequiredFields: the custom calibration fields the database requires
// (ob.XE2_Customiz) that the request has not filled, completed by the
// operator in the required fields editor, with their pick lists
// (ob.ValField).

#include <string>
#include <vector>

#include "context/Context.h"
#include "session/Session.h"

namespace ob {

class RequiredFields {
public:
    RequiredFields(Context& context, Session& session) : m_ctx(context), m_session(session) {}

    // Adds the operator's values to the INSERT's column and value lists.
    // False when a failure stopped it (the error is set).
    bool GetRequiredCustomFields(const std::string& assetNumber, std::string& columnList, std::string& valueList);
    void LoadValidationItems(std::vector<std::string>* items, const std::string& fieldName);

private:
    Context& m_ctx;
    Session& m_session;
};

} // namespace ob
