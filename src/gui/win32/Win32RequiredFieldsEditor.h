#pragma once
// "Required Fields" on Win32: a report-mode list view of the fields whose
// value column is edited in place (Win32ValueCell).

#include "customfields/RequiredFieldsEditor.h"
#include "gui/win32/Win32Ui.h"
#include "gui/win32/Win32ValueCell.h"

#include <memory>
#include "platform/regional/RegionalSettings.h"

namespace ob {
class WindowSystem;
}

namespace ob::win32 {

class Win32RequiredFieldsEditor final : public Win32Window, public RequiredFieldsEditor {
public:
    // Control ids, for the operator in tests. kCell is the in-place editor
    // while a value is edited.
    enum : int { kInstructions = 201, kGrid = 202, kCell = 203, kTabs = 204 };

    static const char* const kDefaultInstructions;

    // Message boxes go through `windows`; the checks read dates, times and
    // numbers by `regional`, completing a date without a year with `currentYear`.
    Win32RequiredFieldsEditor(WindowSystem& windows, regional::RegionalSettings regional, int currentYear,
                              HWND owner);

    void setInstructions(const std::string& text) override;
    void ShowModal() override;
    int Rows() const override;
    std::string TextMatrix(int row, int col) const override;

protected:
    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    static LRESULT CALLBACK gridKeys(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);

    void firstPaint();
    int currentRow() const; // 0-based field row, or -1
    void selectRow(int row);
    void beginEdit(wchar_t firstKey = 0);
    void commitEdit();
    void cancelEdit();
    void afterEdit(int row);
    void okClicked();
    void unload();
    LRESULT customDraw(NMLVCUSTOMDRAW& draw);
    void setCell(int row, const std::string& text);

    WindowSystem& m_windows;
    regional::RegionalSettings m_regional;
    int m_currentYear;
    HWND m_instructions = nullptr;
    HWND m_grid = nullptr;
    HWND m_ok = nullptr;
    std::unique_ptr<Win32ValueCell> m_cell; // while a value is edited
    int m_cellRow = -1;                     // its row
    bool m_ending = false;     // an edit is being committed or dropped
    unsigned m_loadCount = 0;  // counts unloads, so a late check finds its rows gone
};

} // namespace ob::win32
