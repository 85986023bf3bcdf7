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

void ShowInfoBox(WindowSystem& ws, const std::string& text, const std::string& title);
void ShowErrorBox(WindowSystem& ws, const std::string& what, const std::string& title, const Failure* pending);

} // namespace ob
