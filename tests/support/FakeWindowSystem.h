#pragma once
// A recording window system: counted boxes, beeps, window lines, the timer's interval; the dialogs answer by script.

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "context/WindowSystem.h"
#include "customfields/RequiredFieldsEditor.h"
#include "session/LoginDialog.h"

namespace ob::test {

// The operator in the login dialog: sees what the caller gave, answers with credentials or nullopt (Cancel).
using LoginScript = std::function<std::optional<Credentials>(const Credentials& given, const std::string& message)>;
// The operator in the editor: the values of column 2 in order, or nullopt for the close box.
using EditorScript = std::function<std::optional<std::vector<std::string>>(const FieldCollection& fields)>;

class FakeWindowSystem final : public WindowSystem, public LoginDialogs, public RequiredFieldsEditors {
public:
    void DoEvents() override
    {
        if (onDoEvents) {
            onDoEvents();
        }
    }
    void WaitForEvents() override {}
    void Beep() override { ++beeps; }
    void RestoreDefaultPointer() override {}
    void MessageBox(const std::string&, const std::string&, MessageIcon) override { ++boxes; }
    bool OperatorDisplayAvailable() const override { return operatorDisplay; }
    std::unique_ptr<OutputWindow> CreateOutputWindow() override;
    std::unique_ptr<SubTimer> CreateTimer() override;
    std::unique_ptr<LoginDialog> CreateLoginDialog() override;
    std::unique_ptr<RequiredFieldsEditor> CreateReqFieldsEditor() override;

    int boxes = 0;
    std::vector<std::string> windowLines;
    bool outputShown = false;
    int beeps = 0;
    int timerInterval = -1;
    int timersCreated = 0;
    bool operatorDisplay = true;
    std::deque<LoginScript> loginScripts; // one per dialog shown; none left: Cancel
    int loginDialogsShown = 0;
    std::deque<EditorScript> editorScripts; // one per editor shown; none left: the close box
    int editorsShown = 0;
    std::function<void()> onDoEvents; // from DoEvents (inside WriteLog): a nested tick, say
};

} // namespace ob::test
