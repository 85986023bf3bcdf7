#pragma once
// The items of an ODBC connection string ("key=value;key={va;lue};"), so the
// connection can drop or replace single items without touching the others.

#include <string>
#include <string_view>
#include <vector>

namespace ob::odbc {

struct ConnectionItem {
    std::string key;   // trimmed, as written
    std::string value; // trimmed, braces removed, "}}" as "}"
    std::string text;  // the item as written, without its ";"
};

std::vector<ConnectionItem> splitConnectionString(std::string_view text);
// The items' texts, each followed by ";".
std::string joinConnectionItems(const std::vector<ConnectionItem>& items);
// The first item whose key equals `key` without regard to case; null when none.
const ConnectionItem* findConnectionItem(const std::vector<ConnectionItem>& items, std::string_view key);
void removeConnectionItems(std::vector<ConnectionItem>& items, std::string_view key);
void addConnectionItem(std::vector<ConnectionItem>& items, std::string key, std::string value);
// A value as an item must hold it: in braces, with "}" doubled, when it holds
// ";", "{", "}" or outer blanks, so it reaches the driver exactly and can add
// no item of its own; otherwise unchanged.
std::string quoteConnectionValue(std::string_view value);
// The text for the log: every non-empty PWD= and Password= value (any letter
// case, braced or not) replaced by "********", all else unchanged.
std::string maskConnectionPasswords(std::string_view text);

// A connection string held as its items, each as written (blanks and empty
// items kept), built once and rendered both for the driver and for the log.
class ConnectionItems {
public:
    // The items of `text`: each ";" outside a braced value ends one.
    explicit ConnectionItems(std::string_view text);
    // key=value at the end, the value quoted (quoteConnectionValue).
    void add(std::string_view key, std::string_view value);
    // Each item followed by ";".
    std::string text() const;
    // The same with each item's non-empty password masked (maskConnectionPasswords).
    // An item whose braces never close ends where its text ends: it cannot
    // take the items after it, a password among them, into its value.
    std::string logText() const;

private:
    std::vector<std::string> m_items;
};

bool equalsIgnoreCase(std::string_view a, std::string_view b);
bool containsIgnoreCase(std::string_view text, std::string_view part);

} // namespace ob::odbc
