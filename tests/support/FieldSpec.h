#pragma once
// A required field as the editor tests give it, added to an editor as the required-fields operation adds it.
#include <memory>
#include <string>
#include <vector>

#include "customfields/RequiredFieldsEditor.h"

namespace ob::test {

struct FieldSpec {
    std::string name, type = "STRING";
    int maxLength = 10;
    std::string validation = "NONE";
    std::vector<std::string> items = {};
    std::string defaultValue = {};
};

inline void addFields(RequiredFieldsEditor& editor, const std::vector<FieldSpec>& fields)
{
    for (const FieldSpec& spec : fields) {
        auto field = std::make_shared<FieldDefinition>();
        field->setFieldName(spec.name);
        field->setFieldTitle("Title of " + spec.name);
        field->setFieldType(spec.type);
        field->setMaxLength(spec.maxLength);
        field->setValidation(spec.validation);
        field->ValidationItems() = spec.items;
        field->setDefaultValue(spec.defaultValue, regional::CivilDateTime{2026, 5, 12, 14, 3, 27});
        editor.colReqFields.AddReference(field, spec.name);
    }
}

} // namespace ob::test
