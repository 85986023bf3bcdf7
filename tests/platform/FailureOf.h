#pragma once
// The failure number a call raises (0 when none), and its text.
#include "platform/Failure.h"

#include <functional>
#include <string>

namespace ob::test {
inline long failureOf(const std::function<void()>& f, std::string* description = nullptr)
{
    try {
        f();
    } catch (const Failure& failure) {
        return (description ? *description = failure.description() : std::string()), failure.number();
    }
    return 0;
}
} // namespace ob::test
