#pragma once
// A recording window system for core tests: message boxes, beeps and log
// window lines are recorded; the login dialog and the required fields editor
// are answered by scripts the test sets; the timer only records its interval.

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "customfields/RequiredFieldsEditor.h"
#include "session/LoginDialog.h"
#include "context/WindowSystem.h"

namespace ob::test {

struct RecordedBox {
    std::string text;
    std::string title;
    MessageIcon icon;
};

class FakeOutputWindow final : public OutputWindow {
public:
    explicit FakeOutputWindow(std::vector<std::string>& lines, bool& shown) : m_lines(lines), m_shown(shown) {}
    int ListCount() const override { return static_cast<int>(m_lines.size()); }
    void RemoveItem(int index) override { m_lines.erase(m_lines.begin() + index); }
    void AddItem(const std::string& text) override { m_lines.push_back(text); }
    void SetListIndex(int) override {}
    void Show() override { m_shown = true; }

private:
    std::vector<std::string>& m_lines;
    bool& m_shown;
};

class FakeTimer final : public SubTimer {
public:
    explicit FakeTimer(int& interval) : m_interval(interval) {}
    void setInterval(int ms) override { m_interval = ms; }
    int Interval() const override { return m_interval; }

private:
    int& m_interval;
};

// What the operator does in the login dialog: gets the dialog as the caller
// filled it, changes sUserName/sPassword/bCancel.
using LoginScript = std::function<void(LoginDialog&, const std::string& message)>;
// What the operator does in the editor: gets the fields, returns the values
// of column 2 in order, or nullopt for the close box.
using EditorScript =
    std::function<std::optional<std::vector<std::string>>(const FieldCollection& fields, const std::string& instructions)>;

class FakeWindowSystem final : public WindowSystem {
public:
    void DoEvents() override;
    void WaitForEvents() override;
    void Beep() override { ++beeps; }
    void RestoreDefaultPointer() override { ++pointerRestores; }
    void MessageBox(const std::string& text, const std::string& title, MessageIcon icon) override
    {
        boxes.push_back({text, title, icon});
    }
    bool OperatorDisplayAvailable() const override { return operatorDisplay; }
    std::unique_ptr<OutputWindow> CreateOutputWindow() override;
    std::unique_ptr<SubTimer> CreateTimer() override;
    std::unique_ptr<LoginDialog> CreateLoginDialog() override;
    std::unique_ptr<RequiredFieldsEditor> CreateReqFieldsEditor() override;

    std::vector<RecordedBox> boxes;
    std::vector<std::string> windowLines;
    bool outputShown = false;
    int beeps = 0;
    int pointerRestores = 0;
    int timerInterval = -1;
    int timersCreated = 0;
    bool operatorDisplay = true;
    std::deque<LoginScript> loginScripts; // one per dialog shown; none left: Cancel
    int loginDialogsShown = 0;
    std::deque<EditorScript> editorScripts; // one per editor shown; none left: close box
    int editorsShown = 0;
    // Delivers one tick of the last timer created, as the event loop would.
    void tick()
    {
        if (lastTimer != nullptr && lastTimer->Interval() > 0 && lastTimer->ThatTime) {
            lastTimer->ThatTime();
        }
    }
    SubTimer* lastTimer = nullptr;
    // Called from DoEvents (inside WriteLog): lets a test deliver a nested tick.
    std::function<void()> onDoEvents;
    // Called from WaitForEvents: the test's stand-in for the event loop.
    std::function<void()> onWait;
};

} // namespace ob::test
