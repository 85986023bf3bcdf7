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

// A rewrite writes its sections microseconds apart (a peer the system
// preempted may pause longer, hence the longer quiet time for a doubtful one) (Wine), at most a fraction
// of a millisecond.
// Two looks a pause apart that find the same sections (or, for a doubtful
// snapshot, the same bytes after a longer quiet time) cannot both have caught
// the peer at the same cut. A file that is never confirmed within the bound
// is taken as it is by a read (a user emptied it, say: that is what it holds)
// but never by a write, which then fails and is tried again later; the bound
// stays well under the one-second tick.
inline constexpr auto kTornPause = std::chrono::milliseconds(2);
inline constexpr auto kDoubtfulQuiet = std::chrono::milliseconds(100);
inline constexpr auto kTornBound = std::chrono::milliseconds(500);

// The sections of the two snapshots, by name and order.
bool sameSections(const std::string& a, const std::string& b);

// take() gives a snapshot with `exists` and `content`; `how` tells how it
// passed (see Confirmed).
template <typename Take>
auto takeWhole(Take take, const WholeTest& whole, Confirmed* how = nullptr)
{
    auto snap = take();
    if (how != nullptr)
        *how = Confirmed::Unchanged;
    if (!whole)
        return snap;
    const auto start = std::chrono::steady_clock::now();
    auto quietSince = start;
    Look look = snap.exists ? whole(snap.content) : Look::Plausible;
    while (snap.exists) {
        std::this_thread::sleep_for(kTornPause);
        auto again = take();
        const auto now = std::chrono::steady_clock::now();
        if (!again.exists)
            return again;
        if (again.content == snap.content) {
            // Not moving: a plausible look at once, any other after a quiet time.
            if (look == Look::Plausible || now - quietSince >= kDoubtfulQuiet)
                return again;
        } else {
            const Look next = whole(again.content);
            if (look == Look::Plausible && next == Look::Plausible && sameSections(snap.content, again.content)) {
                if (how != nullptr)
                    *how = Confirmed::SameSections;
                return again;
            }
            snap = std::move(again);
            look = next;
            quietSince = now;
        }
        if (now - start >= kTornBound) {
            if (how != nullptr)
                *how = Confirmed::Not;
            break;
        }
    }
    return snap;
}

} // namespace ob::ini
