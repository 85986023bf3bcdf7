#pragma once
// The operator of the Win32 windows in tests: finds the program's windows and message boxes (in this
// process or another), reads them, and types and clicks by posting the messages of keys and clicks.
#include <windows.h>

#include <ostream>
#include <string>

namespace ob::test {

// Each waits at most 20 s: a visible top-level window captioned `caption` (else nullptr); the child
// `id` of `parent` there (or, `gone`, not there); `window` shown (or, not `shown`, gone or hidden).
HWND waitForWindow(const std::string& caption);
bool waitForChild(HWND parent, int id, bool gone = false);
bool waitUntilShown(HWND window, bool shown);

std::string textOf(HWND window);
// Types `text` into `control` a WM_CHAR each, or presses `key` there, and waits until it is delivered.
void type(HWND control, const std::string& text);
void press(HWND control, UINT key);
inline void click(HWND button)
{
    ::PostMessageW(button, BM_CLICK, 0, 0);
}

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
