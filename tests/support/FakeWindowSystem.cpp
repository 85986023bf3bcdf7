#include "support/FakeWindowSystem.h"

namespace ob::test {

namespace {

class FakeOutputWindow final : public OutputWindow {
public:
    explicit FakeOutputWindow(FakeWindowSystem& ws) : m_ws(ws) {}
    int ListCount() const override { return static_cast<int>(m_ws.windowLines.size()); }
    void RemoveItem(int index) override { m_ws.windowLines.erase(m_ws.windowLines.begin() + index); }
    void AddItem(const std::string& text) override { m_ws.windowLines.push_back(text); }
    void SetListIndex(int) override {}
    void Show() override { m_ws.outputShown = true; }

private:
    FakeWindowSystem& m_ws;
};

class FakeTimer final : public SubTimer {
public:
    explicit FakeTimer(int& interval) : m_interval(interval) {}
    void setInterval(int ms) override { m_interval = ms; }
    int Interval() const override { return m_interval; }

private:
    int& m_interval;
};

class ScriptedLoginDialog final : public LoginDialog {
public:
    explicit ScriptedLoginDialog(FakeWindowSystem& ws) : m_ws(ws) {}
    std::optional<Credentials> ask(const Credentials& given, const std::string& message,
                                   const std::string&) override
    {
        ++m_ws.loginDialogsShown;
        if (m_ws.loginScripts.empty()) {
            return std::nullopt;
        }
        const LoginScript script = std::move(m_ws.loginScripts.front());
        m_ws.loginScripts.pop_front();
        return script(given, message);
    }

private:
    FakeWindowSystem& m_ws;
};

class ScriptedEditor final : public RequiredFieldsEditor {
public:
    explicit ScriptedEditor(FakeWindowSystem& ws) : m_ws(ws) {}
    void setInstructions(const std::string&) override {}
    void ShowModal() override
    {
        ++m_ws.editorsShown;
        std::optional<std::vector<std::string>> values;
        if (!m_ws.editorScripts.empty()) {
            const EditorScript script = std::move(m_ws.editorScripts.front());
            m_ws.editorScripts.pop_front();
            values = script(colReqFields);
        }
        m_rows.clear(); // the close box: the grid is read afresh, header only
        for (const auto& slot : colReqFields) {
            if (values) {
                const std::size_t i = m_rows.size(); // missing values: empty cells
                m_rows.push_back(
                    {slot.field->FieldName(), slot.field->FieldTitle(), i < values->size() ? (*values)[i] : ""});
            }
        }
    }
    int Rows() const override { return static_cast<int>(m_rows.size()) + 1; }
    std::string TextMatrix(int row, int col) const override
    {
        static const std::vector<std::string> kHeader{"Field", "Title", "Value"};
        return (row == 0 ? kHeader : m_rows.at(static_cast<std::size_t>(row - 1))).at(static_cast<std::size_t>(col));
    }

private:
    FakeWindowSystem& m_ws;
    std::vector<std::vector<std::string>> m_rows;
};

} // namespace

std::unique_ptr<OutputWindow> FakeWindowSystem::CreateOutputWindow()
{
    return std::make_unique<FakeOutputWindow>(*this);
}

std::unique_ptr<SubTimer> FakeWindowSystem::CreateTimer()
{
    ++timersCreated;
    return std::make_unique<FakeTimer>(timerInterval);
}

std::unique_ptr<LoginDialog> FakeWindowSystem::CreateLoginDialog()
{
    return std::make_unique<ScriptedLoginDialog>(*this);
}

std::unique_ptr<RequiredFieldsEditor> FakeWindowSystem::CreateReqFieldsEditor()
{
    return std::make_unique<ScriptedEditor>(*this);
}

} // namespace ob::test
