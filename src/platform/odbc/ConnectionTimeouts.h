#pragma once
// How long a connection waits for the database. Each engine's connection
// items that make its driver honour it are in Engine.

#include <string_view>

namespace ob::odbc {

struct Timeouts {
    static constexpr int kDefaultLoginSeconds = 15;
    static constexpr int kDefaultCommandSeconds = 30;
    int loginSeconds = kDefaultLoginSeconds;     // opening the connection
    int commandSeconds = kDefaultCommandSeconds; // each statement, its rows and each commit
};

// A timeout as the exchange file gives it: whole seconds from 1 to 3600.
// Anything else (empty, 0, negative, not a number) is `fallback`: no limit
// would let a server that stops answering hold an action for ever.
int timeoutFromText(std::string_view text, int fallback);

} // namespace ob::odbc
