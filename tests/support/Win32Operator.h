#pragma once
// The operator of the Win32 windows in tests: finds the program's windows and message boxes (in this
// process or another), reads them, and types and clicks by posting the messages of keys and clicks.
#include <windows.h>

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

// Waits for a message box, answers it OK and gives its title; empty after 20 s.
std::string answerBox();

} // namespace ob::test
