#include "platform/odbc/ConnectionString.h"

#include <algorithm>

namespace ob::odbc {

namespace {

char lower(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::string_view trim(std::string_view s)
{
    while (!s.empty() && isBlank(s.front())) {
        s.remove_prefix(1);
    }
    while (!s.empty() && isBlank(s.back())) {
        s.remove_suffix(1);
    }
    return s;
}

// A value in braces may hold ";" and "=", and "}}" stands for "}".
std::string unbrace(std::string_view value)
{
    if (value.size() < 2 || value.front() != '{' || value.back() != '}') {
        return std::string(value);
    }
    std::string out;
    value = value.substr(1, value.size() - 2);
    for (std::size_t i = 0; i < value.size(); ++i) {
        out += value[i];
        if (value[i] == '}' && i + 1 < value.size() && value[i + 1] == '}') {
            ++i;
        }
    }
    return out;
}

bool needsBraces(std::string_view value)
{
    return value.find_first_of(";{}") != std::string_view::npos || (!value.empty() && isBlank(value.front())) ||
           (!value.empty() && isBlank(value.back()));
}

} // namespace

bool equalsIgnoreCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return lower(x) == lower(y);
           });
}

bool containsIgnoreCase(std::string_view text, std::string_view part)
{
    auto it = std::search(text.begin(), text.end(), part.begin(), part.end(),
                          [](char x, char y) { return lower(x) == lower(y); });
    return it != text.end() || part.empty();
}

std::vector<ConnectionItem> splitConnectionString(std::string_view text)
{
    std::vector<ConnectionItem> items;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t start = pos;
        std::size_t eq = std::string_view::npos;
        bool inBraces = false;
        bool valueStarted = false;
        while (pos < text.size()) {
            char c = text[pos];
            if (inBraces) {
                if (c == '}') {
                    if (pos + 1 < text.size() && text[pos + 1] == '}') {
                        ++pos;
                    } else {
                        inBraces = false;
                    }
                }
            } else if (c == ';') {
                break;
            } else if (c == '=' && eq == std::string_view::npos) {
                eq = pos;
            } else if (eq != std::string_view::npos && !valueStarted && !isBlank(c)) {
                valueStarted = true;
                inBraces = c == '{';
            }
            ++pos;
        }
        std::string_view itemText = text.substr(start, pos - start);
        if (pos < text.size()) {
            ++pos; // the ";"
        }
        if (trim(itemText).empty()) {
            continue;
        }
        ConnectionItem item;
        item.text = std::string(trim(itemText));
        if (eq == std::string_view::npos) {
            item.key = item.text;
        } else {
            item.key = std::string(trim(text.substr(start, eq - start)));
            item.value = unbrace(trim(itemText.substr(eq - start + 1)));
        }
        items.push_back(std::move(item));
    }
    return items;
}

std::string joinConnectionItems(const std::vector<ConnectionItem>& items)
{
    std::string out;
    for (const ConnectionItem& item : items) {
        out += item.text;
        out += ';';
    }
    return out;
}

const ConnectionItem* findConnectionItem(const std::vector<ConnectionItem>& items, std::string_view key)
{
    for (const ConnectionItem& item : items) {
        if (equalsIgnoreCase(item.key, key)) {
            return &item;
        }
    }
    return nullptr;
}

void removeConnectionItems(std::vector<ConnectionItem>& items, std::string_view key)
{
    std::erase_if(items, [key](const ConnectionItem& item) { return equalsIgnoreCase(item.key, key); });
}

void addConnectionItem(std::vector<ConnectionItem>& items, std::string key, std::string value)
{
    ConnectionItem item;
    item.text = key + '=';
    if (needsBraces(value)) {
        item.text += '{';
        for (char c : value) {
            item.text += c;
            if (c == '}') {
                item.text += '}';
            }
        }
        item.text += '}';
    } else {
        item.text += value;
    }
    item.key = std::move(key);
    item.value = std::move(value);
    items.push_back(std::move(item));
}

} // namespace ob::odbc
