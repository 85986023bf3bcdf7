#pragma once
// A window system that records message boxes instead of showing them, for
// driving the real windows in tests.

#include <functional>
#include <string>
#include <vector>

#include "shell/WindowSystem.h"

namespace ob::test {

class RecordingWindowSystem final : public WindowSystem {
public:
    struct Box {
        std::string text;
        std::string title;
        MessageIcon icon;
    };

    void DoEvents() override;
    void WaitForEvents() override;
    void Beep() override { ++beeps; }
    void RestoreDefaultPointer() override { ++pointerRestores; }
    void MessageBox(const std::string& text, const std::string& title, MessageIcon icon) override;
    bool OperatorDisplayAvailable() const override { return displayAvailable; }

    std::unique_ptr<OutputWindow> CreateOutputWindow() override;
    std::unique_ptr<SubTimer> CreateTimer() override;
    std::unique_ptr<LoginDialog> CreateLoginDialog() override;
    std::unique_ptr<ReqFieldsEditor> CreateReqFieldsEditor() override;

    std::vector<Box> boxes;
    // Runs while a box is "open", to look at the windows as the operator sees them.
    std::function<void(const Box&)> onBox;
    bool displayAvailable = true;
    int beeps = 0;
    int pointerRestores = 0;
    std::string windowsFolder;
};

} // namespace ob::test
