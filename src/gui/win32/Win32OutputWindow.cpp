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

// The printer's own settings with one copy, whatever its default: the log is
// printed once. Empty when they cannot be read (the driver's default then).
std::vector<BYTE> oneCopySettings(const std::wstring& printer)
{
    HANDLE handle = nullptr;
    if (!::OpenPrinterW(const_cast<wchar_t*>(printer.c_str()), &handle, nullptr))
        return {};
    std::vector<BYTE> settings;
    const LONG size = ::DocumentPropertiesW(nullptr, handle, const_cast<wchar_t*>(printer.c_str()), nullptr, nullptr, 0);
    if (size > 0) {
        settings.resize(static_cast<std::size_t>(size));
        auto* mode = reinterpret_cast<DEVMODEW*>(settings.data());
        if (::DocumentPropertiesW(nullptr, handle, const_cast<wchar_t*>(printer.c_str()), mode, nullptr,
                                  DM_OUT_BUFFER) == IDOK) {
            mode->dmFields |= DM_COPIES;
            mode->dmCopies = 1;
        } else {
            settings.clear();
        }
    }
    ::ClosePrinter(handle);
    return settings;
}

} // namespace

std::vector<std::wstring> wrapLine(const std::wstring& line, int width,
                                   const std::function<int(std::wstring_view)>& measure)
{
    std::vector<std::wstring> pieces;
    std::wstring_view rest(line);
    while (!rest.empty()) {
        if (measure(rest) <= width) {
            pieces.emplace_back(rest);
            break;
        }
        // The longest head that fits (at least one character).
        std::size_t low = 1, high = rest.size();
        while (low < high) {
            const std::size_t mid = (low + high + 1) / 2;
            if (measure(rest.substr(0, mid)) <= width)
                low = mid;
            else
                high = mid - 1;
        }
        std::size_t cut = low;
        const std::size_t blank = rest.substr(0, low + 1).find_last_of(L' ');
        if (blank != std::wstring_view::npos && blank > 0)
            cut = blank + 1; // the blank ends the printed line
        pieces.emplace_back(rest.substr(0, cut));
        rest.remove_prefix(cut);
    }
    if (pieces.empty())
        pieces.emplace_back();
    return pieces;
}

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

std::wstring Win32OutputWindow::lineAt(int index) const
{
    const auto length = ::SendMessageW(m_list, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
    std::wstring line(static_cast<std::size_t>(std::max<LRESULT>(length, 0)) + 1, L'\0');
    ::SendMessageW(m_list, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(line.data()));
    line.resize(wcslen(line.c_str()));
    return line;
}

// One copy; each list line wrapped at the page's width (an INSERT statement or
// a driver's error is read whole), a new page when the next line does not fit.
bool Win32OutputWindow::printTo(const std::wstring& printer)
{
    std::vector<BYTE> settings = oneCopySettings(printer);
    HDC dc = ::CreateDCW(L"WINSPOOL", printer.c_str(), nullptr,
                         settings.empty() ? nullptr : reinterpret_cast<DEVMODEW*>(settings.data()));
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
        const int pageWidth = ::GetDeviceCaps(dc, HORZRES);
        const auto measure = [dc](std::wstring_view text) {
            SIZE size{};
            ::GetTextExtentPoint32W(dc, text.data(), static_cast<int>(text.size()), &size);
            return static_cast<int>(size.cx);
        };
        int y = pageHeight; // a page starts with the first line
        bool pageOpen = false;
        const int count = ListCount();
        for (int i = 0; i < count && printed; ++i) {
            for (const std::wstring& piece : wrapLine(lineAt(i), pageWidth, measure)) {
                if (y + lineHeight > pageHeight) {
                    if (pageOpen)
                        printed = ::EndPage(dc) > 0;
                    printed = printed && ::StartPage(dc) > 0;
                    pageOpen = printed;
                    y = 0;
                }
                if (!printed)
                    break;
                ::TextOutW(dc, 0, y, piece.c_str(), static_cast<int>(piece.size()));
                y += lineHeight;
            }
        }
        if (printed && pageOpen)
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
