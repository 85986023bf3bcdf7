#pragma once
// The snapshot rule both sides of SharedFile share: a peer rewriting the file
// in place (the Windows profile functions truncate, then write) leaves it
// empty or cut short for a moment, and such a snapshot is taken again.

#include <chrono>
#include <thread>

#include "platform/ini/SharedFile.h"

namespace ob::ini {

// A rewrite lasts microseconds to a few milliseconds, far less than the bound,
// so a file that fails the test all that time is what the file holds (a user
// emptied it, say): it is taken as it is, and a write then restores what was
// missing, rather than leaving the handshake stuck. The bound stays well under
// the one-second tick.
inline constexpr auto kTornPause = std::chrono::milliseconds(2);
inline constexpr auto kTornBound = std::chrono::milliseconds(500);

// take() gives a snapshot with `exists` and `content`; it is called again
// while the file exists and fails `whole`, within the bound.
template <typename Take>
auto takeWhole(Take take, const WholeTest& whole)
{
    auto snap = take();
    if (!whole)
        return snap;
    const auto deadline = std::chrono::steady_clock::now() + kTornBound;
    while (snap.exists && !whole(snap.content) && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(kTornPause);
        snap = take();
    }
    return snap;
}

} // namespace ob::ini
