#include "context/WindowSystem.h"

#include <iostream>

#include "platform/Failure.h"

namespace ob {

void SubTimer::fire() noexcept
{
    if (!ThatTime) {
        return;
    }
    // A copy, as the handler may replace ThatTime while it runs.
    const std::function<void()> handler = ThatTime;
    try {
        handler();
    } catch (...) {
        const Failure failure = currentFailure();
        std::cerr << "OB32PYII: timer event failed: " << failure.number() << " - " << failure.description() << '\n';
    }
}

} // namespace ob
