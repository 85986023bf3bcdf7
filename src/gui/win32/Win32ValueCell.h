#pragma once
// The in-place editor of a value cell of the required fields grid: an edit
// box, an editable drop-down (PICK) or a fixed one (FIXED), laid over the cell.

#include "customfields/EditorRules.h"
#include "gui/win32/Win32Ui.h"

#include <functional>
#include <optional>
#include <string>

namespace ob::win32 {

class Win32ValueCell {
public:
    // How an edit ends; posted to the parent as `endMessage` (wParam), once
    // the key that ends it has been handled.
    enum End : WPARAM { Commit, Drop, CommitToOk, CommitToGrid, CommitIfFocusLeft };
    // A key typed: nullopt discards it, otherwise the text to type instead.
    using KeyFilter = std::function<std::optional<std::string>(char)>;

    // Opens over `cell` (in `parent`'s client coordinates) with `text`,
    // the control's id `id`.
    Win32ValueCell(HWND parent, int id, const RECT& cell, const editor::DropDown& list, const std::string& text,
                   KeyFilter filter, UINT endMessage);
    ~Win32ValueCell();
    Win32ValueCell(const Win32ValueCell&) = delete;
    Win32ValueCell& operator=(const Win32ValueCell&) = delete;

    bool opened() const { return m_control != nullptr; }
    // The control that takes the keys (an editable drop-down's edit box).
    HWND keys() const { return m_keys; }
    bool hasFocus() const;
    // What was typed or chosen; nullopt for a fixed list with nothing chosen.
    std::optional<std::string> value() const;

private:
    static LRESULT CALLBACK cellKeys(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);

    HWND m_parent;
    HWND m_control = nullptr;
    HWND m_keys = nullptr;
    bool m_fixedList;
    KeyFilter m_filter;
    UINT m_endMessage;
};

} // namespace ob::win32
