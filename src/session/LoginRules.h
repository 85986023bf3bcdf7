#pragma once
// What the login dialog's OK button decides, as a plain function.

#include <optional>
#include <string>
#include <utility>

namespace ob {

// The entries as typed. A missing user name is reported before a missing
// password, so at most one message per press; only an empty text is missing.
// Returns the title and text of the box to show, or nullopt when both are there.
std::optional<std::pair<std::string, std::string>> loginOkCheck(const std::string& user, const std::string& password);

} // namespace ob
