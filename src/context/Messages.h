#pragma once
// The error text "number - description" and the two message boxes every
// part of the program shows.

#include <string>

#include "context/WindowSystem.h"
#include "platform/Failure.h"

namespace ob {

// "number - description" of a failure; "0 - " for none.
std::string ErrorText(const Failure* pending);
inline std::string ErrorText(const Failure& pending)
{
    return ErrorText(&pending);
}

class Context;

// The trap in which every operation of an action ends when a failure stops
// it, called inside the catch block: the failure is logged as "Error in
// <operation>(): <text>" when an operation is named, and reported to the peer
// as "<couldNot> due to the following error: <text>". Returns the failure.
Failure ReportFailure(Context& context, const std::string& couldNot, const char* operation = nullptr);

void ShowInfoBox(WindowSystem& ws, const std::string& text, const std::string& title);
void ShowErrorBox(WindowSystem& ws, const std::string& what, const std::string& title, const Failure* pending);

} // namespace ob
