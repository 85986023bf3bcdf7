#pragma once
// FieldDefinition: one custom calibration field as the editor shows it.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/regional/DateValue.h"

namespace ob {

class FieldDefinition {
public:
    // The setter translates the special tokens ("99/99/99" today as YYYY-MM-DD,
    // "99:99" the time as HH:NN, "U_NAM" and the other prompts), compared
    // whole after upper-casing; `now` is the current local date and time.
    void setDefaultValue(const std::string& value, const regional::CivilDateTime& now);
    const std::string& DefaultValue() const { return m_defaultValue; }
    void setFieldName(const std::string& v) { m_fieldName = v; }
    const std::string& FieldName() const { return m_fieldName; }
    void setFieldTitle(const std::string& v) { m_fieldTitle = v; }
    const std::string& FieldTitle() const { return m_fieldTitle; }
    void setFieldType(const std::string& v) { m_fieldType = v; }
    const std::string& FieldType() const { return m_fieldType; }
    void setMaxLength(std::int32_t v) { m_maxLength = v; }
    std::int32_t MaxLength() const { return m_maxLength; }
    void setValidation(const std::string& v) { m_validation = v; }
    const std::string& Validation() const { return m_validation; }
    // The pick list, in the order the database returned it.
    std::vector<std::string>& ValidationItems() { return m_validationItems; }
    const std::vector<std::string>& ValidationItems() const { return m_validationItems; }

private:
    std::string m_defaultValue;
    std::string m_fieldName;
    std::string m_fieldTitle;
    std::string m_fieldType;
    std::int32_t m_maxLength = 0;
    std::string m_validation;
    std::vector<std::string> m_validationItems;
};

} // namespace ob
