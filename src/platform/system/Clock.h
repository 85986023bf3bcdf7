#pragma once
// Clock: the current local date and time. The system clock in the program; a
// fixed or stepped clock in tests.

#include "platform/regional/DateValue.h"

namespace ob {

class Clock {
public:
    virtual ~Clock() = default;
    virtual regional::CivilDateTime now() const = 0;
};

class SystemClock final : public Clock {
public:
    regional::CivilDateTime now() const override;
};

} // namespace ob
