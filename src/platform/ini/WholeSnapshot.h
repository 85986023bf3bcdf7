#pragma once
// The snapshot rule both sides of SharedFile share: a peer rewriting the file
// in place (the profile functions truncate, then write a section at a time)
// leaves it empty or cut short for a moment. Such a snapshot is never taken
// for the file: a snapshot counts when the reader's test finds nothing
// missing, or, when it may be cut short, once a second look a quiet time
// later finds the same bytes (the file is not moving: it is what it holds).

#include <chrono>
#include <thread>

#include "platform/ini/SharedFile.h"

namespace ob::ini {

// A rewrite writes its sections microseconds to a few milliseconds apart; a
// doubtful snapshot waits longer than any such pause. A file that still fails
// after the bound is what the file holds (a user emptied it, say): it is
// taken as it is, and a write then restores what was missing, rather than
// leaving the handshake stuck. The bound stays well under the one-second tick.
inline constexpr auto kTornPause = std::chrono::milliseconds(2);
inline constexpr auto kDoubtfulQuiet = std::chrono::milliseconds(30);
inline constexpr auto kTornBound = std::chrono::milliseconds(500);

// take() gives a snapshot with `exists` and `content`.
template <typename Take>
auto takeWhole(Take take, const WholeTest& whole)
{
    auto snap = take();
    if (!whole)
        return snap;
    const auto deadline = std::chrono::steady_clock::now() + kTornBound;
    while (snap.exists) {
        const Look look = whole(snap.content);
        if (look == Look::Plausible)
            return snap;
        if (look == Look::CutShort) {
            std::this_thread::sleep_for(kTornPause);
            snap = take();
        } else {
            std::this_thread::sleep_for(kDoubtfulQuiet);
            auto again = take();
            if (again.exists && again.content == snap.content)
                return snap;
            snap = std::move(again);
        }
        if (std::chrono::steady_clock::now() >= deadline)
            break;
    }
    return snap;
}

} // namespace ob::ini
