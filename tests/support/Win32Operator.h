#pragma once
// The operator of the Win32 windows in tests: finds the program's windows and
// message boxes (in this process or another), reads them, and types and
// clicks by posting the messages a user's keys and clicks make. Windows only.

#include <windows.h>

#include <ostream>
#include <string>
#include <vector>

namespace ob::test {

// Waits until `window` has a visible top-level window captioned `caption`;
// nullptr after 20 s.
HWND waitForWindow(const std::string& caption);
// Waits until the child `id` of `parent` exists (or, with `gone`, no longer
// does); false after 20 s.
bool waitForChild(HWND parent, int id, bool gone = false);
// Waits until `window` is gone or hidden; false after 20 s.
bool waitUntilHidden(HWND window);

std::string textOf(HWND window);

// Types `text` into `control` (WM_CHAR each character), then waits until it
// has been delivered.
void type(HWND control, const std::string& text);
// A key pressed in `control` (WM_KEYDOWN and WM_KEYUP), e.g. VK_RETURN.
void press(HWND control, UINT key);
void click(HWND button);

struct SeenBox {
    std::string title;
    std::string text;
    bool operator==(const SeenBox&) const = default;
};
inline void PrintTo(const SeenBox& box, std::ostream* os)
{
    *os << '{' << box.title << ": " << box.text << '}';
}
// Waits for a message box, reads it and answers OK. Empty title after 20 s.
SeenBox answerBox();

} // namespace ob::test
