#pragma once
// The failure number a call raises (0 when none).
#include "platform/Failure.h"

#include <functional>

namespace ob::test {
inline long failureOf(const std::function<void()>& f)
{
    try {
        f();
    } catch (const Failure& failure) {
        return failure.number();
    }
    return 0;
}
} // namespace ob::test
