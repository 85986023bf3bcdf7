#pragma once
// The log window on Win32: "OB32PYII Output", a list box of the log lines.

#include "context/WindowSystem.h"
#include "gui/win32/Win32Ui.h"

#include <functional>
#include <string>
#include <vector>

namespace ob::win32 {

// One log line as printed lines no wider than `width` by `measure` (a blank
// at the break ends its line): broken after the last blank that fits, or, in
// a word wider than the page, after the last character that fits. Nothing is
// dropped; every piece holds at least one character.
std::vector<std::wstring> wrapLine(const std::wstring& line, int width,
                                   const std::function<int(std::wstring_view)>& measure);

class Win32OutputWindow final : public Win32Window, public OutputWindow {
public:
    static constexpr int kListId = 100;

    // `logFile` is named when the log cannot be printed.
    explicit Win32OutputWindow(std::string logFile);

    int ListCount() const override;
    void RemoveItem(int index) override;
    void AddItem(const std::string& text) override;
    void SetListIndex(int index) override;
    void Show() override;

    // The double-click on the list: every line, first to last, to the
    // default printer; with none, a line of the window says where the log is.
    void PrintLog();

protected:
    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void layoutList();
    bool printTo(const std::wstring& printer);
    std::wstring lineAt(int index) const;

    std::string m_logFile;
    HWND m_list = nullptr;
    int m_widest = 0;
};

} // namespace ob::win32
