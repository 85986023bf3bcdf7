#pragma once
// The window system on Win32: a message loop that blocks in GetMessage,
// DoEvents through PeekMessage, the one-second tick through SetTimer,
// MessageBoxW, MessageBeep and the arrow cursor. The program's three windows
// are not built on Win32 yet: the log is kept in memory, and dialogs that
// would wait for an operator are answered at once (login: Cancel; editor:
// close box), as on a machine without a display; the log says so.

#include "context/WindowSystem.h"

namespace ob::win32 {

class Win32WindowSystem final : public WindowSystem {
public:
    void DoEvents() override;
    void WaitForEvents() override;
    void Beep() override;
    void RestoreDefaultPointer() override;
    void MessageBox(const std::string& text, const std::string& title, MessageIcon icon) override;
    bool OperatorDisplayAvailable() const override { return false; }

    std::unique_ptr<OutputWindow> CreateOutputWindow() override;
    std::unique_ptr<SubTimer> CreateTimer() override;
    std::unique_ptr<LoginDialog> CreateLoginDialog() override;
    std::unique_ptr<RequiredFieldsEditor> CreateReqFieldsEditor() override;
};

} // namespace ob::win32
