#pragma once
// What the three Win32 windows share: one window class whose messages reach
// a C++ object, controls placed in twips at the screen's DPI, the dialogs'
// font, text in UTF-8, and the modal loop that keeps the one-second tick.

#include <windows.h>

#include <commctrl.h>

// <windows.h> names MessageBoxW so; the window system's own member is meant.
#undef MessageBox

#include <string>

namespace ob::win32 {

// Title of the error boxes the windows raise: the program's own name.
inline constexpr const char* kApplicationTitle = "OB32PYII";

// Twips to pixels and back at the screen's DPI (1440 twips to an inch).
int screenDpi();
int twipsToPixels(int twips);
int pixelsToTwips(int pixels);

// "MS Sans Serif" 8.25 point, or its bold face; made once, kept for the process.
HFONT dialogFont(bool bold = false);

std::string windowText(HWND window);
void setWindowText(HWND window, const std::string& text);

// A top-level window of the program's class; its messages go to handle().
class Win32Window {
public:
    Win32Window() = default;
    virtual ~Win32Window();
    Win32Window(const Win32Window&) = delete;
    Win32Window& operator=(const Win32Window&) = delete;

    HWND hwnd() const { return m_hwnd; }

    // A child control at a place in twips, in the dialogs' font.
    HWND addControl(const wchar_t* windowClass, const std::string& text, DWORD style, int id, int left, int top,
                    int width, int height, DWORD exStyle = 0);

    // A label on the page of `tabs` (place in twips within the window), drawn
    // over the page's own background; `red` for a warning.
    HWND addLabelOnTab(HWND tabs, const std::string& text, int id, int left, int top, int width, int height,
                       bool red = false);

    // Shows the window and runs its messages until endModal(), leaving the
    // owner disabled meanwhile. Timer ticks keep arriving through the loop.
    void runModal();
    void endModal();
    bool inModal() const { return m_modal; }
    // Puts the focus on `control`, and back there whenever the window is
    // activated again (a top-level window's default would take it itself).
    void focus(HWND control);

protected:
    // Makes the window with a client area of the size given in twips.
    bool create(const std::string& caption, DWORD style, DWORD exStyle, int clientWidthTwips,
                int clientHeightTwips, HWND owner);
    virtual LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);
    void centre();

private:
    static LRESULT CALLBACK procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

    HWND m_hwnd = nullptr;
    HWND m_focus = nullptr;
    bool m_modal = false;
    bool m_endModal = false;
};

// Whether a window can be shown here at all (false in a session without a
// desktop, as under Wine without a display).
bool windowsCanBeShown();

// The modal window now open (the owner of a message box), or nullptr.
HWND currentModalWindow();

} // namespace ob::win32
