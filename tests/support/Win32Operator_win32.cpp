#include "support/Win32Operator.h"

#include "platform/win32/Wide.h"

#include <chrono>
#include <functional>
#include <thread>

namespace ob::test {
namespace {

bool waitUntil(const std::function<bool()>& condition)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

// The window's thread has handled everything posted to it so far.
void settle(HWND window)
{
    DWORD_PTR result = 0;
    // A message sent after the posted ones waits until the thread takes messages; a pause lets it take those.
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ::SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &result);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
}

} // namespace

HWND waitForWindow(const std::string& caption)
{
    HWND found = nullptr;
    const bool shown = waitUntil([&] {
        found = ::FindWindowW(nullptr, win32::wide(caption).c_str());
        return found != nullptr && ::IsWindowVisible(found);
    });
    return shown ? found : nullptr;
}

bool waitForChild(HWND parent, int id, bool gone)
{
    return waitUntil([&] { return (::GetDlgItem(parent, id) == nullptr) == gone; });
}

bool waitUntilShown(HWND window, bool shown)
{
    return waitUntil([&] { return (::IsWindow(window) && ::IsWindowVisible(window)) == shown; });
}

std::string textOf(HWND window)
{
    // WM_GETTEXT itself: GetWindowText gives no control's text across processes.
    wchar_t text[4096] = {};
    DWORD_PTR length = 0;
    ::SendMessageTimeoutW(window, WM_GETTEXT, 4096, reinterpret_cast<LPARAM>(text), SMTO_NORMAL, 5000, &length);
    return win32::narrow(text);
}

void type(HWND control, const std::string& text)
{
    for (const wchar_t c : win32::wide(text))
        ::PostMessageW(control, WM_CHAR, c, 1);
    settle(control);
}

void press(HWND control, UINT key)
{
    const LPARAM scan = static_cast<LPARAM>(::MapVirtualKeyW(key, MAPVK_VK_TO_VSC)) << 16;
    ::PostMessageW(control, WM_KEYDOWN, key, scan | 1);
    ::PostMessageW(control, WM_KEYUP, key, scan | 1 | (LPARAM{3} << 30));
    settle(control);
}

std::string answerBox()
{
    HWND box = nullptr;
    waitUntil([&] {
        box = ::FindWindowW(L"#32770", nullptr);
        return box != nullptr && ::IsWindowVisible(box);
    });
    if (box == nullptr)
        return {};
    const std::string title = textOf(box);
    ::PostMessageW(box, WM_COMMAND, IDOK, 0);
    waitUntil([&] { return !::IsWindow(box); });
    return title;
}

} // namespace ob::test
