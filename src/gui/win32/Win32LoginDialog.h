#pragma once
// "ORBISTA Login" on Win32: the modal dialog that asks the operator for a
// user name and password.

#include <optional>
#include <string>

#include "gui/win32/Win32Ui.h"
#include "session/LoginDialog.h"

namespace ob {
class WindowSystem;
}

namespace ob::win32 {

class Win32LoginDialog final : public Win32Window, public LoginDialog {
public:
    // Control ids, for the operator in tests; kMessage lies on the page of kTabs.
    enum : int { kUserName = 101, kPassword = 102, kMessage = 103, kDetails = 104, kTabs = 105 };

    // Message boxes go through `windows`; the dialog has `owner` (no task-bar entry).
    Win32LoginDialog(WindowSystem& windows, HWND owner);

    std::optional<Credentials> ask(const Credentials& given, const std::string& message,
                                   const std::string& details) override;

protected:
    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void firstPaint(const Credentials& given);
    void okClicked();
    void cancel();

    WindowSystem& m_windows;
    HWND m_userName = nullptr;
    HWND m_password = nullptr;
    HWND m_message = nullptr;
    HWND m_details = nullptr;
    std::string m_detailsText;
    std::optional<Credentials> m_confirmed; // set by OK
};

} // namespace ob::win32
