#pragma once
// The window system of the program: Qt's event loop, QMessageBox, the
// override cursor, and the program's three windows and its timer.

#include <memory>
#include <optional>
#include <string>

#include "context/WindowSystem.h"
#include "customfields/RequiredFieldsEditor.h"
#include "platform/regional/RegionalSettings.h"
#include "platform/system/Clock.h"
#include "session/LoginDialog.h"

namespace ob::gui {

class QtWindowSystem final : public WindowSystem, public LoginDialogs, public RequiredFieldsEditors {
public:
    // `windowsFolder` receives the printed log when there is no printer; the
    // editor checks values by `regional` and completes dates with the year
    // `clock` gives when it is created.
    QtWindowSystem(std::string windowsFolder, regional::RegionalSettings regional, std::shared_ptr<const Clock> clock);

    void DoEvents() override;
    void WaitForEvents() override;
    void Beep() override;
    void RestoreDefaultPointer() override;
    // Modal, above every other window. With no operator display the text goes
    // to stderr and the call returns at once.
    void MessageBox(const std::string& text, const std::string& title, MessageIcon icon) override;
    // False on the "offscreen" and "minimal" platforms, unless forced.
    bool OperatorDisplayAvailable() const override;
    void forceOperatorDisplay(std::optional<bool> available) { m_forcedDisplay = available; }

    std::unique_ptr<OutputWindow> CreateOutputWindow() override;
    std::unique_ptr<SubTimer> CreateTimer() override;
    // inotify's descriptor in Qt's event loop, through a socket notifier.
    std::unique_ptr<FileWatch> WatchFile(const std::string& path, std::function<void()> onChange,
                                         std::string& why) override;
    std::unique_ptr<LoginDialog> CreateLoginDialog() override;
    std::unique_ptr<RequiredFieldsEditor> CreateReqFieldsEditor() override;

private:
    std::string m_windowsFolder;
    regional::RegionalSettings m_regional;
    std::shared_ptr<const Clock> m_clock;
    std::optional<bool> m_forcedDisplay;
};

} // namespace ob::gui
