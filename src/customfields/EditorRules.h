#pragma once
// What the required-fields editor decides, as plain functions: the check after
// an edit, the key filter, the drop-down of a row, and the OK rule. The Qt
// window only wires its events to them.

#include <optional>
#include <string>
#include <vector>

#include "customfields/FieldDefinition.h"
#include "customfields/RequiredFieldsEditor.h"
#include "platform/regional/RegionalSettings.h"

namespace ob::editor {

struct Message {
    std::string title;
    std::string text;
};

struct EditOutcome {
    std::string text;                // what the cell holds after the check
    std::optional<Message> message;  // shown before the cell is changed
};

// The check of the field's type after an edit of the value cell.
EditOutcome checkAfterEdit(const FieldDefinition& field, const std::string& fieldName, const std::string& text,
                           const regional::RegionalSettings& rs, int currentYear);

// A key typed while a value cell is edited: nullopt discards it, otherwise the
// text to type instead (the decimal separator for "." in numeric fields).
std::optional<std::string> filterKey(const FieldDefinition& field, char key, const regional::RegionalSettings& rs);

enum class DropDownKind { None, Editable, Fixed };
struct DropDown {
    DropDownKind kind = DropDownKind::None;
    std::string listText; // the grid's list text: "|A|B" (PICK) or "A|B" (FIXED)
    std::vector<std::string> items;
};
// PICK: editable list; FIXED: fixed list (plain text when the list is empty);
// every other kind: plain text.
DropDown dropDownFor(const FieldDefinition& field);

// What the operator may enter in the field, for its tooltip: one line for the
// kind ("Date", "Time", "Number", "Text, at most 10 characters", "Text") and,
// with a drop-down list, one for the list ("List: A, B" or, for a list that
// takes other text too, "List: A, B, or other text").
std::string describeField(const FieldDefinition& field);

// Whether a value counts as missing for the OK rule: only empty text does;
// blanks and prompts are values.
bool isMissing(const std::string& value);

// The OK rule: the first row (0-based among the field rows) whose value is
// empty, with the message to show; nullopt when every value is present.
std::optional<std::pair<std::size_t, Message>> firstMissingValue(const std::vector<std::string>& names,
                                                                 const std::vector<std::string>& values);
// The same rule over the grid's field rows (name in column 0, value in 2).
std::optional<std::pair<std::size_t, Message>> firstMissingValue(const RequiredFieldsEditor& grid);

} // namespace ob::editor
