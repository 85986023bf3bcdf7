#include "customfields/EditorRules.h"

#include <algorithm>
#include <array>

#include "platform/Text.h"
#include "platform/regional/Conversions.h"

namespace ob::editor {

namespace {

bool isOneOf(const std::string& code, std::initializer_list<const char*> codes)
{
    return std::any_of(codes.begin(), codes.end(), [&](const char* c) { return code == c; });
}

bool isNumericType(const std::string& upperType)
{
    return isOneOf(upperType, {"DECIMAL4", "INT", "RTDBL"});
}

// The types whose value is cut to the field's maximum length.
bool isLengthCheckedType(const std::string& upperType)
{
    return isOneOf(upperType, {"SPVAL", "STRING", "MEMO", "STANDARD", "UCVAL", "RO", "SRCH"});
}

bool isDateType(const std::string& upperType)
{
    return isOneOf(upperType, {"DATE", "RO_DATE", "SRCH_DATE"});
}

// Values are UTF-8; a length limit counts characters, not bytes, and a cut
// never splits one.
std::size_t charCount(const std::string& s)
{
    return static_cast<std::size_t>(
        std::count_if(s.begin(), s.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

std::string firstChars(const std::string& s, std::size_t count)
{
    std::size_t seen = 0;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if ((static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) {
            if (seen == count) {
                return s.substr(0, i);
            }
            ++seen;
        }
    }
    return s;
}

std::string invalidText(const std::string& fieldName, const char* what)
{
    return "The value entered for " + fieldName + " is invalid. Please enter a valid " + what + ".";
}

} // namespace

EditOutcome checkAfterEdit(const FieldDefinition& field, const std::string& fieldName, const std::string& text,
                           const regional::RegionalSettings& rs, int currentYear)
{
    // An empty cell is missing, not invalid: the OK check names it. Judging it
    // here too would answer "Value Missing" with "Numeric Value Invalid" for a
    // value nobody typed, and round again.
    if (text.empty()) {
        return {text, std::nullopt};
    }
    const std::string type = ob::text::upper(field.FieldType());

    if (isLengthCheckedType(type)) {
        const std::int32_t maxLength = field.MaxLength();
        const std::size_t limit = maxLength > 0 ? static_cast<std::size_t>(maxLength) : 0;
        if (charCount(text) > limit || (maxLength < 0 && !text.empty())) {
            return {firstChars(text, limit),
                    Message{"Value Too Long", "The value entered for " + fieldName +
                                                  " is too long. It has been truncated to " +
                                                  regional::formatInteger(maxLength) + " characters."}};
        }
        return {text, std::nullopt};
    }

    if (isDateType(type)) {
        // A time of day alone is no date: it would be stored as 1899-12-30.
        const auto value = regional::tryParseDate(text, rs, currentYear);
        if (value && !regional::isTime(text, rs, currentYear)) {
            return {regional::formatIsoDate(*value), std::nullopt};
        }
        return {std::string(), Message{"Date Value Invalid", invalidText(fieldName, "date")}};
    }

    if (type == "TIME") {
        if (regional::isTime(text, rs, currentYear)) {
            return {regional::formatHm(regional::parseDate(text, rs, currentYear)), std::nullopt};
        }
        return {std::string(), Message{"Time Value Invalid", invalidText(fieldName, "time")}};
    }

    if (isNumericType(type)) {
        if (regional::isNumeric(text, rs)) {
            return {text, std::nullopt};
        }
        return {std::string(), Message{"Numeric Value Invalid", invalidText(fieldName, "numeric value")}};
    }

    return {text, std::nullopt};
}

std::optional<std::string> filterKey(const FieldDefinition& field, char key, const regional::RegionalSettings& rs)
{
    if (key == '\'') {
        return std::nullopt;
    }
    if (key == '.' && isNumericType(ob::text::upper(field.FieldType()))) {
        const std::string separator = regional::decimalSeparatorCharacter(rs);
        if (!separator.empty()) {
            return separator;
        }
    }
    return std::string(1, key);
}

DropDown dropDownFor(const FieldDefinition& field)
{
    const std::string kind = ob::text::upper(field.Validation());
    DropDown result;
    if (kind != "PICK" && kind != "FIXED") {
        return result;
    }
    // The grid's list text: a leading "|" makes the list editable; an empty
    // list text means no list at all, so the cell is edited as plain text.
    // A FIXED field without items has no trailing "|" to drop.
    std::string listText = kind == "PICK" ? "|" : "";
    for (const auto& item : field.ValidationItems()) {
        listText += item + "|";
    }
    if (!listText.empty()) {
        listText.pop_back();
    }
    if (listText.empty()) {
        return result;
    }
    result.kind = kind == "PICK" ? DropDownKind::Editable : DropDownKind::Fixed;
    result.listText = listText;
    result.items = field.ValidationItems();
    return result;
}

std::string describeField(const FieldDefinition& field)
{
    const std::string type = ob::text::upper(field.FieldType());
    std::string text;
    if (isDateType(type)) {
        text = "Date";
    } else if (type == "TIME") {
        text = "Time";
    } else if (isNumericType(type)) {
        text = "Number";
    } else if (isLengthCheckedType(type)) {
        text = "Text, at most " + regional::formatInteger(std::max<std::int32_t>(field.MaxLength(), 0)) +
               " characters";
    } else {
        text = "Text";
    }
    const DropDown list = dropDownFor(field);
    if (list.kind != DropDownKind::None) {
        text += "\nList: ";
        for (std::size_t i = 0; i < list.items.size(); ++i) {
            text += (i > 0 ? ", " : "") + list.items[i];
        }
        if (list.kind == DropDownKind::Editable) {
            text += ", or other text";
        }
    }
    return text;
}

bool isMissing(const std::string& value)
{
    return value.empty();
}

std::optional<std::pair<std::size_t, Message>> firstMissingValue(const std::vector<std::string>& names,
                                                                 const std::vector<std::string>& values)
{
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (isMissing(values[i])) {
            const std::string name = i < names.size() ? names[i] : std::string();
            return std::make_pair(i, Message{"Value Missing", "You must enter a value for the field '" + name + "'."});
        }
    }
    return std::nullopt;
}

std::optional<std::pair<std::size_t, Message>> firstMissingValue(const RequiredFieldsEditor& grid)
{
    std::vector<std::string> names;
    std::vector<std::string> values;
    for (int row = 1; row < grid.Rows(); ++row) {
        names.push_back(grid.TextMatrix(row, 0));
        values.push_back(grid.TextMatrix(row, 2));
    }
    return firstMissingValue(names, values);
}

} // namespace ob::editor
