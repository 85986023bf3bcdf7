#pragma once
// The log window on Win32: "OB32PYII Output", a list box of the log lines.

#include "context/WindowSystem.h"
#include "gui/win32/Win32Ui.h"

#include <string>

namespace ob::win32 {

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

    std::string m_logFile;
    HWND m_list = nullptr;
    int m_widest = 0;
};

} // namespace ob::win32
