#include "gui/win32/Win32ValueCell.h"

#include "platform/win32/Wide.h"

namespace ob::win32 {

Win32ValueCell::Win32ValueCell(HWND parent, int id, const RECT& cell, const editor::DropDown& list,
                               const std::string& value, KeyFilter filter, UINT endMessage)
    : m_parent(parent)
    , m_fixedList(list.kind == editor::DropDownKind::Fixed)
    , m_filter(std::move(filter))
    , m_endMessage(endMessage)
{
    const bool plain = list.kind == editor::DropDownKind::None;
    const int height = cell.bottom - cell.top;
    const DWORD style = WS_CHILD | WS_VISIBLE | WS_TABSTOP |
                        (plain       ? WS_BORDER | ES_AUTOHSCROLL
                         : m_fixedList ? WS_VSCROLL | CBS_DROPDOWNLIST
                                     : WS_VSCROLL | CBS_DROPDOWN | CBS_AUTOHSCROLL);
    // A drop-down's height includes its list.
    m_control = ::CreateWindowExW(0, plain ? WC_EDITW : WC_COMBOBOXW, nullptr, style, cell.left, cell.top,
                                  cell.right - cell.left, plain ? height : 9 * height, parent,
                                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), ::GetModuleHandleW(nullptr),
                                  nullptr);
    if (m_control == nullptr)
        return;
    m_keys = m_control;
    ::SendMessageW(m_control, WM_SETFONT, reinterpret_cast<WPARAM>(dialogFont()), FALSE);
    const std::wstring text = wide(value);
    if (plain) {
        ::SetWindowTextW(m_control, text.c_str());
        ::SendMessageW(m_control, EM_SETSEL, 0, -1);
    } else {
        for (const auto& item : list.items) {
            const std::wstring entry = wide(item);
            ::SendMessageW(m_control, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry.c_str()));
        }
        if (m_fixedList) {
            const auto index = ::SendMessageW(m_control, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                              reinterpret_cast<LPARAM>(text.c_str()));
            ::SendMessageW(m_control, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
        } else {
            // As in a plain text cell: what the operator types replaces the value.
            ::SetWindowTextW(m_control, text.c_str());
            ::SendMessageW(m_control, CB_SETEDITSEL, 0, MAKELPARAM(0, -1));
            COMBOBOXINFO info{};
            info.cbSize = sizeof info;
            if (::GetComboBoxInfo(m_control, &info) && info.hwndItem != nullptr)
                m_keys = info.hwndItem;
        }
    }
    ::SetWindowSubclass(m_keys, &Win32ValueCell::cellKeys, 2, reinterpret_cast<DWORD_PTR>(this));
    ::SetWindowPos(m_control, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

Win32ValueCell::~Win32ValueCell()
{
    if (m_control != nullptr) {
        ::RemoveWindowSubclass(m_keys, &Win32ValueCell::cellKeys, 2);
        ::DestroyWindow(m_control);
    }
}

bool Win32ValueCell::hasFocus() const
{
    HWND focused = ::GetFocus();
    return m_control != nullptr && focused != nullptr && (focused == m_control || ::IsChild(m_control, focused));
}

std::optional<std::string> Win32ValueCell::value() const
{
    if (!m_fixedList)
        return windowText(m_control);
    const auto index = ::SendMessageW(m_control, CB_GETCURSEL, 0, 0);
    if (index < 0)
        return std::nullopt;
    std::wstring item(
        static_cast<std::size_t>(::SendMessageW(m_control, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0)) + 1,
        L'\0');
    ::SendMessageW(m_control, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(item.data()));
    item.resize(wcslen(item.c_str()));
    return narrow(item);
}

// Keys typed into a value go through the filter; Enter keeps the value,
// Escape drops it, Tab keeps it and moves on.
LRESULT CALLBACK Win32ValueCell::cellKeys(HWND keys, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                          DWORD_PTR self)
{
    auto* cell = reinterpret_cast<Win32ValueCell*>(self);
    switch (message) {
    case WM_GETDLGCODE:
        return ::DefSubclassProc(keys, message, wParam, lParam) | DLGC_WANTALLKEYS;
    case WM_KEYDOWN:
        if (wParam == VK_RETURN || wParam == VK_ESCAPE || wParam == VK_TAB) {
            // An open list closes first.
            if (::SendMessageW(cell->m_control, CB_GETDROPPEDSTATE, 0, 0) == TRUE) {
                ::SendMessageW(cell->m_control, CB_SHOWDROPDOWN, FALSE, 0);
                if (wParam != VK_TAB)
                    return 0;
            }
            const bool back = ::GetKeyState(VK_SHIFT) < 0;
            ::PostMessageW(cell->m_parent, cell->m_endMessage,
                           wParam == VK_ESCAPE ? Drop
                           : wParam == VK_TAB  ? (back ? CommitToGrid : CommitToOk)
                                               : Commit,
                           0);
            return 0;
        }
        break;
    case WM_CHAR:
        if (wParam == L'\r' || wParam == L'\t' || wParam == 0x1b)
            return 0;
        if (wParam < 0x80 && cell->m_filter) {
            const auto typed = cell->m_filter(static_cast<char>(wParam));
            if (!typed)
                return 0;
            const std::wstring instead = wide(*typed);
            if (instead.size() == 1)
                return ::DefSubclassProc(keys, message, instead[0], lParam);
        }
        break;
    case WM_KILLFOCUS:
        ::PostMessageW(cell->m_parent, cell->m_endMessage, CommitIfFocusLeft, 0);
        break;
    default:
        break;
    }
    return ::DefSubclassProc(keys, message, wParam, lParam);
}

} // namespace ob::win32
