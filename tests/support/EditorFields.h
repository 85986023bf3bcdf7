#pragma once
// A required field as the editor tests give it, added to an editor as the required-fields operation adds it.
#include <memory>
#include <string>
#include <vector>

#include "customfields/RequiredFieldsEditor.h"

namespace ob::test {

struct EditorField {
    std::string name, type = "STRING";
    int maxLength = 10;
    std::string validation = "NONE";
    std::vector<std::string> items = {};
    std::string defaultValue = {};
};

inline void addFields(RequiredFieldsEditor& editor, const std::vector<EditorField>& fields)
{
    for (const EditorField& wanted : fields) {
        auto field = std::make_shared<FieldDefinition>();
        field->setFieldName(wanted.name);
        field->setFieldTitle("Title of " + wanted.name);
        field->setFieldType(wanted.type);
        field->setMaxLength(wanted.maxLength);
        field->setValidation(wanted.validation);
        field->ValidationItems() = wanted.items;
        field->setDefaultValue(wanted.defaultValue, regional::CivilDateTime{2026, 5, 12, 14, 3, 27});
        editor.colReqFields.AddReference(field, wanted.name);
    }
}

} // namespace ob::test
