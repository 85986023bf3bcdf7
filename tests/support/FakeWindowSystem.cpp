#include "support/FakeWindowSystem.h"

namespace ob::test {

namespace {

class ScriptedLoginDialog final : public LoginDialog {
public:
    explicit ScriptedLoginDialog(FakeWindowSystem& ws) : m_ws(ws) {}
    void setMessage(const std::string& caption) override { m_message = caption; }
    void ShowModal() override
    {
        ++m_ws.loginDialogsShown;
        if (m_ws.loginScripts.empty()) {
            bCancel = true;
            return;
        }
        LoginScript script = std::move(m_ws.loginScripts.front());
        m_ws.loginScripts.pop_front();
        script(*this, m_message);
    }

private:
    FakeWindowSystem& m_ws;
    std::string m_message;
};

class ScriptedEditor final : public RequiredFieldsEditor {
public:
    explicit ScriptedEditor(FakeWindowSystem& ws) : m_ws(ws) {}
    void setInstructions(const std::string& text) override { m_instructions = text; }
    void ShowModal() override
    {
        ++m_ws.editorsShown;
        std::optional<std::vector<std::string>> values;
        if (!m_ws.editorScripts.empty()) {
            EditorScript script = std::move(m_ws.editorScripts.front());
            m_ws.editorScripts.pop_front();
            values = script(colReqFields, m_instructions);
        }
        m_rows.clear();
        if (!values) {
            return; // the close box: the grid is read afresh, header only
        }
        long i = 1;
        for (const auto& slot : colReqFields) {
            const std::string value = i - 1 < static_cast<long>(values->size()) ? (*values)[i - 1] : "";
            m_rows.push_back({slot.field->FieldName(), slot.field->FieldTitle(), value});
            ++i;
        }
    }
    int Rows() const override { return static_cast<int>(m_rows.size()) + 1; }
    std::string TextMatrix(int row, int col) const override
    {
        if (row == 0) {
            static const char* const kHeader[] = {"Field", "Title", "Value"};
            return kHeader[col];
        }
        return m_rows.at(static_cast<std::size_t>(row - 1)).at(static_cast<std::size_t>(col));
    }

private:
    FakeWindowSystem& m_ws;
    std::string m_instructions;
    std::vector<std::vector<std::string>> m_rows;
};

} // namespace

void FakeWindowSystem::DoEvents()
{
    if (onDoEvents) {
        onDoEvents();
    }
}

void FakeWindowSystem::WaitForEvents()
{
    if (onWait) {
        onWait();
    }
}

std::unique_ptr<OutputWindow> FakeWindowSystem::CreateOutputWindow()
{
    return std::make_unique<FakeOutputWindow>(windowLines, outputShown);
}

std::unique_ptr<SubTimer> FakeWindowSystem::CreateTimer()
{
    ++timersCreated;
    auto timer = std::make_unique<FakeTimer>(timerInterval);
    lastTimer = timer.get();
    return timer;
}

std::unique_ptr<LoginDialog> FakeWindowSystem::CreateLoginDialog() { return std::make_unique<ScriptedLoginDialog>(*this); }

std::unique_ptr<RequiredFieldsEditor> FakeWindowSystem::CreateReqFieldsEditor()
{
    return std::make_unique<ScriptedEditor>(*this);
}

} // namespace ob::test
