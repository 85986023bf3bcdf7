#include "gui/win32/Win32LoginDialog.h"

#include <commctrl.h>

#include "context/WindowSystem.h"
#include "context/Messages.h"
#include "platform/Failure.h"
#include "session/LoginRules.h"

namespace ob::win32 {

namespace {

// The frame of the one tab's page; the controls on it are placed inside it.
constexpr int kFrameLeft = 240;
constexpr int kFrameTop = 480;

} // namespace

Win32LoginDialog::Win32LoginDialog(WindowSystem& windows, HWND owner)
    : m_windows(windows)
{
    if (!create("ORBISTA Login", WS_POPUP | WS_CAPTION | WS_SYSMENU, WS_EX_DLGMODALFRAME | WS_EX_TOPMOST, 6615, 4005,
                owner))
        return;
    const int fl = kFrameLeft;
    const int ft = kFrameTop;
    // The tab strip lies behind the page's controls; the labels are drawn on its page.
    HWND tabs = addControl(WC_TABCONTROLW, "", WS_CLIPSIBLINGS, kTabs, 120, 120, 5055, 3735);
    TCITEMW tab{};
    tab.mask = TCIF_TEXT;
    wchar_t caption[] = L"Login";
    tab.pszText = caption;
    ::SendMessageW(tabs, TCM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&tab));
    addLabelOnTab(tabs, "Enter the user name and password to use to connect to the ORBISTA database.", -1, fl + 120,
                  ft + 120, 4575, 495);
    addLabelOnTab(tabs, "User name", -1, fl + 600, ft + 1080, 1935, 255);
    addLabelOnTab(tabs, "Password", -1, fl + 600, ft + 1680, 1935, 255);
    // Red text, bold.
    m_message = addLabelOnTab(tabs, "", kMessage, fl + 120, ft + 2400, 4335, 735, true);
    // Created in tab order: the two boxes, OK, Cancel, then the details button.
    m_userName = addControl(WC_EDITW, "", WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL, kUserName, fl + 600, ft + 1320,
                            2655, 285);
    m_password = addControl(WC_EDITW, "", WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL | ES_PASSWORD, kPassword, fl + 600,
                            ft + 1920, 2655, 285);
    ::SendMessageW(m_password, EM_SETPASSWORDCHAR, L'*', 0);
    addControl(WC_BUTTONW, "&OK", WS_TABSTOP | BS_DEFPUSHBUTTON, IDOK, 5280, 3000, 1215, 375);
    addControl(WC_BUTTONW, "&Cancel", WS_TABSTOP | BS_PUSHBUTTON, IDCANCEL, 5280, 3480, 1215, 375);
    m_details = addControl(WC_BUTTONW, "...", WS_TABSTOP | BS_PUSHBUTTON, kDetails, fl + 4440, ft + 3000, 375, 255);
    ::SetWindowPos(tabs, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

std::optional<Credentials> Win32LoginDialog::ask(const Credentials& given, const std::string& message,
                                                 const std::string& details)
{
    m_confirmed.reset();
    if (hwnd() == nullptr) {
        return std::nullopt;
    }
    setWindowText(m_message, message);
    m_detailsText = details;
    firstPaint(given);
    runModal();
    return m_confirmed;
}

// The values in, the details button, a topmost window in the middle of the
// screen, and the focus on the box to fill (its text selected).
void Win32LoginDialog::firstPaint(const Credentials& given)
{
    setWindowText(m_userName, given.userName);
    setWindowText(m_password, given.password);
    ::ShowWindow(m_details, m_detailsText.empty() ? SW_HIDE : SW_SHOW);
    centre();
    ::SetWindowPos(hwnd(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    focus(given.userName.empty() ? m_userName : m_password);
}

void Win32LoginDialog::okClicked()
{
    std::string user;
    std::string password;
    try {
        user = windowText(m_userName);
        password = windowText(m_password);
        if (const auto missing = loginOkCheck(user, password)) {
            ShowInfoBox(m_windows, missing->second, missing->first);
            focus(user.empty() ? m_userName : m_password);
            return;
        }
    } catch (...) {
        const Failure failure = currentFailure();
        ShowErrorBox(m_windows, "attempting to validate settings", kApplicationTitle, &failure);
        return;
    }
    m_confirmed = Credentials{user, password};
    endModal();
}

// Cancel, Escape and the close box all end here. An operator who closes the
// window has not confirmed anything, so the close box cancels too; what was
// typed is dropped and the caller keeps the values it passed in.
void Win32LoginDialog::cancel()
{
    m_confirmed.reset();
    endModal();
}

LRESULT Win32LoginDialog::handle(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_COMMAND: {
        const int id = LOWORD(wParam);
        const int code = HIWORD(wParam);
        if (id == IDOK && code == BN_CLICKED) {
            okClicked();
        } else if (id == IDCANCEL && code == BN_CLICKED) {
            cancel();
        } else if (id == kDetails && code == BN_CLICKED) {
            ShowInfoBox(m_windows, m_detailsText, "Login Error Details");
        } else if ((id == kUserName || id == kPassword) && code == EN_SETFOCUS) {
            ::SendMessageW(reinterpret_cast<HWND>(lParam), EM_SETSEL, 0, -1);
        }
        return 0;
    }
    case DM_GETDEFID:
        return MAKELRESULT(IDOK, DC_HASDEFID);
    case WM_CLOSE:
        cancel();
        return 0;
    default:
        break;
    }
    return Win32Window::handle(message, wParam, lParam);
}

} // namespace ob::win32
