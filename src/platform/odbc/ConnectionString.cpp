#include "platform/odbc/ConnectionString.h"

#include <algorithm>

#include "platform/Text.h"

namespace ob::odbc {

namespace {

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

struct ItemSpan {
    std::size_t start; // first character of the item
    std::size_t eq;    // its first "=" outside braces; npos when none
    std::size_t end;   // the ";" that ends it, or the end of the text
    std::size_t next;  // where the next item starts
};

// One item from `pos`: ";" inside a braced value does not end it, and "}}"
// inside braces stands for "}".
ItemSpan scanItem(std::string_view text, std::size_t pos)
{
    ItemSpan span{pos, std::string_view::npos, pos, pos};
    bool inBraces = false;
    bool valueStarted = false;
    while (pos < text.size()) {
        const char c = text[pos];
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
        } else if (c == '=' && span.eq == std::string_view::npos) {
            span.eq = pos;
        } else if (span.eq != std::string_view::npos && !valueStarted && !isBlank(c)) {
            valueStarted = true;
            inBraces = c == '{';
        }
        ++pos;
    }
    span.end = std::min(pos, text.size());
    span.next = pos < text.size() ? pos + 1 : text.size();
    return span;
}

constexpr std::string_view kHiddenValue = "********";

} // namespace

bool equalsIgnoreCase(std::string_view a, std::string_view b)
{
    return text::iequals(a, b);
}

bool containsIgnoreCase(std::string_view text, std::string_view part)
{
    auto it = std::search(text.begin(), text.end(), part.begin(), part.end(),
                          [](char x, char y) { return ob::text::lower(x) == ob::text::lower(y); });
    return it != text.end() || part.empty();
}

std::vector<ConnectionItem> splitConnectionString(std::string_view text)
{
    std::vector<ConnectionItem> items;
    for (std::size_t pos = 0; pos < text.size();) {
        const ItemSpan span = scanItem(text, pos);
        pos = span.next;
        const std::string_view itemText = text.substr(span.start, span.end - span.start);
        if (trim(itemText).empty()) {
            continue;
        }
        ConnectionItem item;
        item.text = std::string(trim(itemText));
        if (span.eq == std::string_view::npos) {
            item.key = item.text;
        } else {
            item.key = std::string(trim(text.substr(span.start, span.eq - span.start)));
            item.value = unbrace(trim(text.substr(span.eq + 1, span.end - span.eq - 1)));
        }
        items.push_back(std::move(item));
    }
    return items;
}

std::string maskConnectionPasswords(std::string_view text)
{
    std::string out;
    for (std::size_t pos = 0; pos < text.size();) {
        const ItemSpan span = scanItem(text, pos);
        pos = span.next;
        std::size_t from = span.start;
        if (span.eq != std::string_view::npos) {
            const std::string_view key = trim(text.substr(span.start, span.eq - span.start));
            std::size_t valueBegin = span.eq + 1;
            std::size_t valueEnd = span.end;
            while (valueBegin < valueEnd && isBlank(text[valueBegin])) {
                ++valueBegin;
            }
            while (valueEnd > valueBegin && isBlank(text[valueEnd - 1])) {
                --valueEnd;
            }
            // An empty password stays visible: it tells why a login failed.
            if ((equalsIgnoreCase(key, "PWD") || equalsIgnoreCase(key, "Password")) && valueEnd > valueBegin) {
                out.append(text.substr(span.start, valueBegin - span.start)).append(kHiddenValue);
                from = valueEnd;
            }
        }
        out.append(text.substr(from, span.next - from));
    }
    return out;
}

ConnectionItems::ConnectionItems(std::string_view text)
{
    for (std::size_t pos = 0;;) {
        const ItemSpan span = scanItem(text, pos);
        m_items.emplace_back(text.substr(span.start, span.end - span.start));
        if (span.end == text.size()) {
            return;
        }
        pos = span.next;
    }
}

void ConnectionItems::add(std::string_view key, std::string_view value)
{
    m_items.push_back(std::string(key) + '=' + quoteConnectionValue(value));
}

std::string ConnectionItems::text() const
{
    std::string out;
    for (const std::string& item : m_items) {
        out.append(item).push_back(';');
    }
    return out;
}

std::string ConnectionItems::logText() const
{
    std::string out;
    for (const std::string& item : m_items) {
        out.append(maskConnectionPasswords(item)).push_back(';');
    }
    return out;
}

std::string quoteConnectionValue(std::string_view value)
{
    if (!needsBraces(value)) {
        return std::string(value);
    }
    std::string out = "{";
    for (char c : value) {
        out += c;
        if (c == '}') {
            out += '}';
        }
    }
    out += '}';
    return out;
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
    item.text = key + '=' + quoteConnectionValue(value);
    item.key = std::move(key);
    item.value = std::move(value);
    items.push_back(std::move(item));
}

} // namespace ob::odbc
