#include "gui/win32/Win32RequiredFieldsEditor.h"

#include <commctrl.h>

#include "context/WindowSystem.h"
#include "customfields/EditorRules.h"
#include "context/Messages.h"
#include "platform/Failure.h"
#include "platform/win32/Wide.h"

namespace ob::win32 {

namespace {

constexpr int kNameColumn = 0;
constexpr int kValueColumn = 2;
constexpr int kNameWidthTwips = 800;
constexpr int kTitleWidthTwips = 2000;
constexpr int kScrollRoomTwips = 400;
constexpr int kGridWidthTwips = 8040;
const char* const kHeaders[] = {"Field", "Title", "Value"};

// Ends the in-place edit once the cell's own message is done (a Win32ValueCell::End).
constexpr UINT kEndEdit = WM_APP + 1;

// The background of a value cell that is still missing.
HBRUSH missingBrush()
{
    static HBRUSH brush = ::CreateSolidBrush(RGB(255, 221, 221));
    return brush;
}

} // namespace

const char* const Win32RequiredFieldsEditor::kDefaultInstructions =
    "The following required fields must be populated to create a new calibration record for asset ";

Win32RequiredFieldsEditor::Win32RequiredFieldsEditor(WindowSystem& windows, regional::RegionalSettings regional,
                                                     int currentYear, HWND owner)
    : m_windows(windows)
    , m_regional(std::move(regional))
    , m_currentYear(currentYear)
{
    if (!create("Required Fields", WS_POPUP | WS_CAPTION | WS_SYSMENU, WS_EX_DLGMODALFRAME | WS_EX_TOPMOST, 8520,
                6240, owner))
        return;
    m_instructions = addControl(L"STATIC", kDefaultInstructions, SS_LEFT, kInstructions, 120, 120, 8280, 495);
    m_grid = addControl(WC_LISTVIEWW, "",
                        WS_TABSTOP | WS_BORDER | WS_CLIPSIBLINGS | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS |
                            LVS_NOSORTHEADER,
                        kGrid, 240, 1140, kGridWidthTwips, 4380);
    ::SendMessageW(m_grid, LVM_SETEXTENDEDLISTVIEWSTYLE, 0,
                   LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES | LVS_EX_INFOTIP | LVS_EX_DOUBLEBUFFER);
    // The value column takes what the two fixed columns leave, less room for
    // the scroll bar.
    const int widths[] = {kNameWidthTwips, kTitleWidthTwips,
                          kGridWidthTwips - kNameWidthTwips - kTitleWidthTwips - kScrollRoomTwips};
    for (int col = 0; col < 3; ++col) {
        std::wstring header = wide(kHeaders[col]);
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
        column.pszText = header.data();
        column.cx = twipsToPixels(widths[col]);
        column.iSubItem = col;
        ::SendMessageW(m_grid, LVM_INSERTCOLUMNW, static_cast<WPARAM>(col), reinterpret_cast<LPARAM>(&column));
    }
    ::SetWindowSubclass(m_grid, &Win32RequiredFieldsEditor::gridKeys, 1, reinterpret_cast<DWORD_PTR>(this));
    m_ok = addControl(WC_BUTTONW, "&OK", WS_TABSTOP | BS_PUSHBUTTON, IDOK, 7200, 5760, 1200, 375);
    HWND tabs = addControl(WC_TABCONTROLW, "", WS_CLIPSIBLINGS, kTabs, 120, 720, 8280, 4920);
    TCITEMW tab{};
    tab.mask = TCIF_TEXT;
    wchar_t caption[] = L"Fields";
    tab.pszText = caption;
    ::SendMessageW(tabs, TCM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&tab));
    ::SetWindowPos(tabs, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void Win32RequiredFieldsEditor::setInstructions(const std::string& text)
{
    setWindowText(m_instructions, text);
}

void Win32RequiredFieldsEditor::ShowModal()
{
    if (hwnd() == nullptr) {
        unload();
        return;
    }
    firstPaint();
    runModal();
}

int Win32RequiredFieldsEditor::Rows() const
{
    return static_cast<int>(::SendMessageW(m_grid, LVM_GETITEMCOUNT, 0, 0)) + 1;
}

std::string Win32RequiredFieldsEditor::TextMatrix(int row, int col) const
{
    if (row < 0 || row >= Rows() || col < 0 || col > kValueColumn)
        throw Failure::subscriptOutOfRange();
    if (row == 0)
        return kHeaders[col];
    std::wstring text(256, L'\0');
    for (;;) {
        LVITEMW item{};
        item.iSubItem = col;
        item.pszText = text.data();
        item.cchTextMax = static_cast<int>(text.size());
        const auto n = static_cast<std::size_t>(
            ::SendMessageW(m_grid, LVM_GETITEMTEXTW, static_cast<WPARAM>(row - 1), reinterpret_cast<LPARAM>(&item)));
        if (n + 1 < text.size()) {
            text.resize(n);
            return narrow(text);
        }
        text.resize(text.size() * 4);
    }
}

void Win32RequiredFieldsEditor::setCell(int row, const std::string& text)
{
    std::wstring value = wide(text);
    LVITEMW item{};
    item.iSubItem = kValueColumn;
    item.pszText = value.data();
    ::SendMessageW(m_grid, LVM_SETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

// One row per field, in collection order; the first value ready for typing.
void Win32RequiredFieldsEditor::firstPaint()
{
    if (Rows() == 1) {
        for (const auto& slot : colReqFields) {
            const std::string* texts[] = {&slot.field->FieldName(), &slot.field->FieldTitle(),
                                          &slot.field->DefaultValue()};
            const int row = Rows() - 1;
            for (int col = 0; col < 3; ++col) {
                std::wstring text = wide(*texts[col]);
                LVITEMW item{};
                item.mask = LVIF_TEXT;
                item.iItem = row;
                item.iSubItem = col;
                item.pszText = text.data();
                ::SendMessageW(m_grid, col == 0 ? LVM_INSERTITEMW : LVM_SETITEMTEXTW, static_cast<WPARAM>(row),
                               reinterpret_cast<LPARAM>(&item));
            }
        }
    }
    selectRow(0);
    centre();
    ::SetWindowPos(hwnd(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    focus(m_grid);
}

int Win32RequiredFieldsEditor::currentRow() const
{
    return static_cast<int>(::SendMessageW(m_grid, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

void Win32RequiredFieldsEditor::selectRow(int row)
{
    if (row < 0 || row >= Rows() - 1)
        return;
    LVITEMW state{};
    state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    state.state = LVIS_SELECTED | LVIS_FOCUSED;
    ::SendMessageW(m_grid, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&state));
    ::SendMessageW(m_grid, LVM_ENSUREVISIBLE, static_cast<WPARAM>(row), FALSE);
}

// The kind of editor is chosen each time a value cell enters editing: an
// edit box, an editable drop-down (PICK) or a fixed one (FIXED).
void Win32RequiredFieldsEditor::beginEdit(wchar_t firstKey)
{
    const int row = currentRow();
    if (m_cell || row < 0 || row + 1 > colReqFields.Count())
        return;
    const auto field = colReqFields.Item(static_cast<long>(row + 1));
    RECT cell{};
    cell.top = kValueColumn;
    cell.left = LVIR_BOUNDS;
    ::SendMessageW(m_grid, LVM_GETSUBITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&cell));
    ::MapWindowPoints(m_grid, hwnd(), reinterpret_cast<POINT*>(&cell), 2);
    // An apostrophe is dropped, and in numeric fields "." types the system's
    // decimal separator.
    const auto filter = [field, this](char key) { return editor::filterKey(*field, key, m_regional); };
    auto opened = std::make_unique<Win32ValueCell>(hwnd(), kCell, cell, editor::dropDownFor(*field),
                                                   TextMatrix(row + 1, kValueColumn), filter, kEndEdit);
    if (!opened->opened())
        return;
    m_cell = std::move(opened);
    m_cellRow = row;
    focus(m_cell->keys());
    if (firstKey != 0)
        ::SendMessageW(m_cell->keys(), WM_CHAR, firstKey, 0);
}

void Win32RequiredFieldsEditor::cancelEdit()
{
    if (!m_cell)
        return;
    auto cell = std::move(m_cell);
    m_cellRow = -1;
    // The focus goes back to the grid, unless the operator took it elsewhere.
    if (cell->hasFocus())
        focus(m_grid);
}

// The value goes into the cell, then the check of the field's type runs on it.
void Win32RequiredFieldsEditor::commitEdit()
{
    if (!m_cell || m_ending)
        return;
    m_ending = true;
    const int row = m_cellRow;
    // A fixed list with nothing chosen leaves the cell as it was.
    const std::optional<std::string> value = m_cell->value();
    cancelEdit();
    if (value) {
        setCell(row, *value);
        afterEdit(row);
    }
    m_ending = false;
}

// The box comes first, while the cell still shows what was typed; then the
// cell is cut, emptied or rewritten. The operator may move on either way.
void Win32RequiredFieldsEditor::afterEdit(int row)
{
    try {
        if (row < 0 || row + 1 > colReqFields.Count())
            return;
        const auto& field = *colReqFields.Item(static_cast<long>(row + 1));
        const editor::EditOutcome outcome = editor::checkAfterEdit(
            field, TextMatrix(row + 1, kNameColumn), TextMatrix(row + 1, kValueColumn), m_regional, m_currentYear);
        const unsigned loaded = m_loadCount;
        if (outcome.message)
            ShowInfoBox(m_windows, outcome.message->text, outcome.message->title);
        // The rows are gone when the window was closed while the box was up.
        if (loaded == m_loadCount)
            setCell(row, outcome.text);
    } catch (...) {
        const Failure failure = currentFailure();
        ShowErrorBox(m_windows, "attempting to validate settings", kApplicationTitle, &failure);
    }
}

void Win32RequiredFieldsEditor::okClicked()
{
    // A value still being edited is committed and checked first.
    commitEdit();
    try {
        if (const auto missing = editor::firstMissingValue(*this)) {
            const unsigned loaded = m_loadCount;
            ShowInfoBox(m_windows, missing->second.text, missing->second.title);
            // Then straight to the field that is missing, ready for typing.
            if (loaded == m_loadCount && inModal()) {
                selectRow(static_cast<int>(missing->first));
                focus(m_grid);
                beginEdit();
            }
            return;
        }
    } catch (...) {
        const Failure failure = currentFailure();
        ShowErrorBox(m_windows, "attempting to validate settings", kApplicationTitle, &failure);
        return;
    }
    // Nothing to store: the caller reads the grid once the window is hidden.
    endModal();
}

// What the caller finds after the window was closed rather than confirmed:
// a window loaded afresh, with an empty collection and the header row only.
void Win32RequiredFieldsEditor::unload()
{
    ++m_loadCount;
    cancelEdit();
    ::SendMessageW(m_grid, LVM_DELETEALLITEMS, 0, 0);
    colReqFields.Clear();
    setWindowText(m_instructions, kDefaultInstructions);
}

// Empty value cells stand out until they hold something.
LRESULT Win32RequiredFieldsEditor::customDraw(NMLVCUSTOMDRAW& draw)
{
    switch (draw.nmcd.dwDrawStage) {
    case CDDS_PREPAINT:
        return CDRF_NOTIFYITEMDRAW;
    case CDDS_ITEMPREPAINT:
        return CDRF_NOTIFYSUBITEMDRAW;
    case CDDS_ITEMPREPAINT | CDDS_SUBITEM: {
        const int row = static_cast<int>(draw.nmcd.dwItemSpec);
        if (draw.iSubItem == kValueColumn && editor::isMissing(TextMatrix(row + 1, kValueColumn))) {
            RECT cell{};
            cell.top = kValueColumn;
            cell.left = LVIR_BOUNDS;
            ::SendMessageW(m_grid, LVM_GETSUBITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&cell));
            ::FillRect(draw.nmcd.hdc, &cell, missingBrush());
            return CDRF_SKIPDEFAULT;
        }
        return CDRF_DODEFAULT;
    }
    default:
        return CDRF_DODEFAULT;
    }
}

LRESULT Win32RequiredFieldsEditor::handle(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_COMMAND:
        // Escape (IDCANCEL) does nothing: the window has no Cancel button.
        if (LOWORD(wParam) == IDOK && HIWORD(wParam) == BN_CLICKED)
            okClicked();
        return 0;
    case kEndEdit:
        if (wParam == Win32ValueCell::Drop) {
            cancelEdit();
        } else if (wParam != Win32ValueCell::CommitIfFocusLeft || (m_cell && !m_cell->hasFocus())) {
            commitEdit();
            if (wParam == Win32ValueCell::CommitToOk)
                focus(m_ok);
            else if (wParam != Win32ValueCell::CommitIfFocusLeft)
                focus(m_grid);
        }
        return 0;
    case WM_NOTIFY: {
        auto* header = reinterpret_cast<NMHDR*>(lParam);
        if (header->hwndFrom != m_grid)
            break;
        if (header->code == NM_CUSTOMDRAW)
            return customDraw(*reinterpret_cast<NMLVCUSTOMDRAW*>(lParam));
        if (header->code == NM_DBLCLK) {
            beginEdit();
            return 0;
        }
        if (header->code == LVN_GETINFOTIPW) {
            // The title column is narrow: its full text, and what the value
            // may be, show on hover.
            auto* tip = reinterpret_cast<NMLVGETINFOTIPW*>(lParam);
            if (tip->iItem >= 0 && tip->iItem + 1 <= colReqFields.Count() && tip->cchTextMax > 0) {
                const auto& field = *colReqFields.Item(static_cast<long>(tip->iItem + 1));
                const std::wstring text = wide(field.FieldTitle() + "\n" + editor::describeField(field));
                const std::size_t n = std::min(text.size(), static_cast<std::size_t>(tip->cchTextMax - 1));
                text.copy(tip->pszText, n);
                tip->pszText[n] = L'\0';
            }
            return 0;
        }
        break;
    }
    case WM_CLOSE:
        // The close box: the window is unloaded without any check.
        unload();
        endModal();
        return 0;
    default:
        break;
    }
    return Win32Window::handle(message, wParam, lParam);
}

// The grid: Enter, F2 or a double-click edits the selected row's value, and
// a character typed starts the edit with that character.
LRESULT CALLBACK Win32RequiredFieldsEditor::gridKeys(HWND grid, UINT message, WPARAM wParam, LPARAM lParam,
                                                     UINT_PTR, DWORD_PTR self)
{
    auto* form = reinterpret_cast<Win32RequiredFieldsEditor*>(self);
    switch (message) {
    case WM_GETDLGCODE: {
        const auto* msg = reinterpret_cast<const MSG*>(lParam);
        LRESULT code = ::DefSubclassProc(grid, message, wParam, lParam);
        if (msg != nullptr && msg->message == WM_KEYDOWN && msg->wParam == VK_RETURN)
            code |= DLGC_WANTMESSAGE;
        return code;
    }
    case WM_KEYDOWN:
        if (wParam == VK_RETURN || wParam == VK_F2) {
            form->beginEdit();
            return 0;
        }
        break;
    case WM_CHAR:
        if (wParam >= 0x20 && wParam != 0x7f) {
            form->beginEdit(static_cast<wchar_t>(wParam));
            return 0;
        }
        if (wParam == L'\r')
            return 0;
        break;
    case WM_NCDESTROY:
        ::RemoveWindowSubclass(grid, &Win32RequiredFieldsEditor::gridKeys, 1);
        break;
    default:
        break;
    }
    return ::DefSubclassProc(grid, message, wParam, lParam);
}

} // namespace ob::win32
