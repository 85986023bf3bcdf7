#pragma once
// The window system on Win32: a message loop that blocks in GetMessage,
// DoEvents through PeekMessage, the one-second tick through SetTimer,
// MessageBoxW, MessageBeep and the arrow cursor, and the program's three
// windows with native controls. Where no window can be shown (no desktop, as
// under Wine without a display) the log is kept in memory and dialogs that
// would wait for an operator are answered at once (login: Cancel; editor:
// close box); the log says so.

#include "gui/win32/Win32Ui.h"

#include <functional>
#include <map>
#include <memory>
#include <string>

#include "context/WindowSystem.h"
#include "customfields/RequiredFieldsEditor.h"
#include "platform/regional/RegionalSettings.h"
#include "platform/system/Clock.h"
#include "session/LoginDialog.h"

namespace ob::win32 {

class Win32WindowSystem final : public WindowSystem, public LoginDialogs, public RequiredFieldsEditors {
public:
    // The log file in `windowsFolder` is named when the log cannot be printed;
    // the editor reads values by `regional` and completes dates with the
    // year of `clock` (the system clock when none).
    explicit Win32WindowSystem(std::string windowsFolder = {},
                               regional::RegionalSettings regional = regional::RegionalSettings::enUS(),
                               std::shared_ptr<const Clock> clock = nullptr);

    void DoEvents() override;
    void WaitForEvents() override;
    void Beep() override;
    void RestoreDefaultPointer() override;
    void MessageBox(const std::string& text, const std::string& title, MessageIcon icon) override;
    bool OperatorDisplayAvailable() const override;

    std::unique_ptr<OutputWindow> CreateOutputWindow() override;
    std::unique_ptr<SubTimer> CreateTimer() override;
    // ReadDirectoryChangesW's event, waited on with the messages.
    std::unique_ptr<FileWatch> WatchFile(const std::string& path, std::function<void()> onChange,
                                         std::string& why) override;
    std::unique_ptr<LoginDialog> CreateLoginDialog() override;
    std::unique_ptr<RequiredFieldsEditor> CreateReqFieldsEditor() override;

    // The watches' events, waited on beside the messages (Win32FileWatch).
    struct Watched {
        HANDLE event;
        std::function<void()> check;
    };
    void addWatched(void* key, Watched watched) { m_watched[key] = std::move(watched); }
    void removeWatched(void* key) { m_watched.erase(key); }

private:
    HWND owner() const;
    void checkWatched(bool wait);
    std::map<void*, Watched> m_watched;

    std::string m_windowsFolder;
    regional::RegionalSettings m_regional;
    std::shared_ptr<const Clock> m_clock;
    HWND m_outputWindow = nullptr; // owns the dialogs, so they have no task-bar entry
};

} // namespace ob::win32
