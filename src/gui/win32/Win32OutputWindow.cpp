#include "gui/win32/Win32OutputWindow.h"

#include "platform/win32/Wide.h"

#include <winspool.h>

#include <algorithm>
#include <vector>

namespace ob::win32 {

namespace {

constexpr int kListLeftTwips = 60;
constexpr int kListTopTwips = 60;
constexpr int kWidthMarginTwips = 180;
constexpr int kHeightMarginTwips = 460;

std::wstring defaultPrinter()
{
    DWORD size = 0;
    ::GetDefaultPrinterW(nullptr, &size);
    if (size == 0)
        return {};
    std::wstring name(size, L'\0');
    if (!::GetDefaultPrinterW(name.data(), &size))
        return {};
    name.resize(wcslen(name.c_str()));
    return name;
}

} // namespace

Win32OutputWindow::Win32OutputWindow(std::string logFile)
    : m_logFile(std::move(logFile))
{
    if (!create("OB32PYII Output", WS_OVERLAPPEDWINDOW, 0, 9600, 6000, nullptr))
        return;
    // On load the list starts empty.
    m_list = addControl(L"LISTBOX", "",
                        WS_VSCROLL | WS_HSCROLL | WS_BORDER | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT, kListId, 0, 0, 0, 0);
    layoutList();
}

int Win32OutputWindow::ListCount() const
{
    // The count is read as a 16-bit signed integer, as the list box reports it.
    return static_cast<int>(static_cast<short>(::SendMessageW(m_list, LB_GETCOUNT, 0, 0)));
}

void Win32OutputWindow::RemoveItem(int index)
{
    ::SendMessageW(m_list, LB_DELETESTRING, static_cast<WPARAM>(index), 0);
}

// Lines are shown whole: the list scrolls sideways to its widest line.
void Win32OutputWindow::AddItem(const std::string& text)
{
    const std::wstring line = wide(text);
    ::SendMessageW(m_list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
    HDC dc = ::GetDC(m_list);
    HGDIOBJ old = ::SelectObject(dc, dialogFont());
    SIZE size{};
    ::GetTextExtentPoint32W(dc, line.c_str(), static_cast<int>(line.size()), &size);
    ::SelectObject(dc, old);
    ::ReleaseDC(m_list, dc);
    if (size.cx + 8 > m_widest) {
        m_widest = size.cx + 8;
        ::SendMessageW(m_list, LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(m_widest), 0);
    }
}

void Win32OutputWindow::SetListIndex(int index)
{
    ::SendMessageW(m_list, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

void Win32OutputWindow::Show()
{
    ::ShowWindow(hwnd(), SW_SHOWNORMAL);
}

// The list keeps fixed margins to the window's outer edges; a window smaller
// than the margins (minimised) leaves the list at size 0 rather than negative.
void Win32OutputWindow::layoutList()
{
    if (m_list == nullptr)
        return;
    RECT outer;
    ::GetWindowRect(hwnd(), &outer);
    RECT client;
    ::GetClientRect(hwnd(), &client);
    const int width = std::max(0, pixelsToTwips(outer.right - outer.left) - kWidthMarginTwips);
    const int height = std::max(0, pixelsToTwips(outer.bottom - outer.top) - kHeightMarginTwips);
    ::MoveWindow(m_list, twipsToPixels(kListLeftTwips), twipsToPixels(kListTopTwips), twipsToPixels(width),
                 twipsToPixels(height), TRUE);
}

void Win32OutputWindow::PrintLog()
{
    const std::wstring printer = defaultPrinter();
    if (!printer.empty() && printTo(printer))
        return;
    const std::string line = printer.empty() ? "No printer is installed: the log can be read in " + m_logFile
                                             : "The log could not be printed; it can be read in " + m_logFile;
    // The line goes to the log, which shows it here too; without one it keeps
    // to the same bound as the log's lines.
    if (OwnLine) {
        OwnLine(line);
        return;
    }
    if (ListCount() > kMaxOutputLines)
        RemoveItem(0);
    AddItem(line);
    SetListIndex(ListCount() - 1);
}

// One copy; one printed line per list line, a new page when the next does not fit.
bool Win32OutputWindow::printTo(const std::wstring& printer)
{
    HDC dc = ::CreateDCW(L"WINSPOOL", printer.c_str(), nullptr, nullptr);
    if (dc == nullptr)
        return false;
    DOCINFOW doc{};
    doc.cbSize = sizeof doc;
    doc.lpszDocName = L"OB32PYII Output";
    bool printed = ::StartDocW(dc, &doc) > 0;
    if (printed) {
        const int dpi = ::GetDeviceCaps(dc, LOGPIXELSY);
        HFONT font = ::CreateFontW(-::MulDiv(9, dpi, 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                   OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, FF_SWISS, L"Arial");
        HGDIOBJ old = ::SelectObject(dc, font);
        TEXTMETRICW metrics{};
        ::GetTextMetricsW(dc, &metrics);
        const int lineHeight = metrics.tmHeight + metrics.tmExternalLeading;
        const int pageHeight = ::GetDeviceCaps(dc, VERTRES);
        int y = pageHeight; // a page starts with the first line
        const int count = ListCount();
        for (int i = 0; i < count && printed; ++i) {
            if (y + lineHeight > pageHeight) {
                if (i > 0)
                    printed = ::EndPage(dc) > 0;
                printed = printed && ::StartPage(dc) > 0;
                y = 0;
            }
            const auto length = ::SendMessageW(m_list, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0);
            std::wstring line(static_cast<std::size_t>(std::max<LRESULT>(length, 0)) + 1, L'\0');
            ::SendMessageW(m_list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(line.data()));
            line.resize(wcslen(line.c_str()));
            ::TextOutW(dc, 0, y, line.c_str(), static_cast<int>(line.size()));
            y += lineHeight;
        }
        if (printed && count > 0)
            printed = ::EndPage(dc) > 0;
        printed = printed ? ::EndDoc(dc) > 0 : (::AbortDoc(dc), false);
        ::SelectObject(dc, old);
        ::DeleteObject(font);
    }
    ::DeleteDC(dc);
    return printed;
}

LRESULT Win32OutputWindow::handle(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_SIZE:
    case WM_MOVE:
        layoutList();
        return 0;
    case WM_COMMAND:
        if (LOWORD(wParam) == kListId && HIWORD(wParam) == LBN_DBLCLK) {
            PrintLog();
            return 0;
        }
        break;
    case WM_CLOSE:
        // The program ends when it is told to, not when its window closes.
        ::ShowWindow(hwnd(), SW_HIDE);
        return 0;
    default:
        break;
    }
    return Win32Window::handle(message, wParam, lParam);
}

} // namespace ob::win32
