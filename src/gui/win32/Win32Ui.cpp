#include "gui/win32/Win32Ui.h"

#include "platform/win32/Wide.h"

#include <vector>

namespace ob::win32 {

namespace {

constexpr const wchar_t* kWindowClass = L"OB32PYIIWindow";

std::vector<HWND>& modalStack()
{
    static std::vector<HWND> stack;
    return stack;
}

} // namespace

int screenDpi()
{
    static const int dpi = [] {
        HDC screen = ::GetDC(nullptr);
        const int value = screen ? ::GetDeviceCaps(screen, LOGPIXELSY) : 96;
        if (screen)
            ::ReleaseDC(nullptr, screen);
        return value > 0 ? value : 96;
    }();
    return dpi;
}

int twipsToPixels(int twips)
{
    return ::MulDiv(twips, screenDpi(), 1440);
}

int pixelsToTwips(int pixels)
{
    return ::MulDiv(pixels, 1440, screenDpi());
}

HFONT dialogFont(bool bold)
{
    static HFONT fonts[2] = {nullptr, nullptr};
    HFONT& font = fonts[bold ? 1 : 0];
    if (font == nullptr) {
        // 8.25 point: 11 pixels at 96 DPI.
        const int height = -::MulDiv(825, screenDpi(), 7200);
        font = ::CreateFontW(height, 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                             OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS,
                             L"MS Sans Serif");
    }
    return font;
}

std::string windowText(HWND window)
{
    const int length = ::GetWindowTextLengthW(window);
    std::wstring text(static_cast<std::size_t>(length > 0 ? length : 0) + 1, L'\0');
    const int n = ::GetWindowTextW(window, text.data(), static_cast<int>(text.size()));
    text.resize(static_cast<std::size_t>(n > 0 ? n : 0));
    return narrow(text);
}

void setWindowText(HWND window, const std::string& text)
{
    ::SetWindowTextW(window, wide(text).c_str());
}

Win32Window::~Win32Window()
{
    if (m_hwnd != nullptr) {
        ::SetWindowLongPtrW(m_hwnd, GWLP_USERDATA, 0);
        ::DestroyWindow(m_hwnd);
    }
}

bool Win32Window::create(const std::string& caption, DWORD style, DWORD exStyle, int clientWidthTwips,
                         int clientHeightTwips, HWND owner)
{
    static const bool registered = [] {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = &Win32Window::procedure;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.hCursor = ::LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.lpszClassName = kWindowClass;
        wc.hIcon = ::LoadIconW(wc.hInstance, MAKEINTRESOURCEW(1));
        return ::RegisterClassExW(&wc) != 0;
    }();
    if (!registered)
        return false;
    RECT frame{0, 0, twipsToPixels(clientWidthTwips), twipsToPixels(clientHeightTwips)};
    ::AdjustWindowRectEx(&frame, style, FALSE, exStyle);
    m_hwnd = ::CreateWindowExW(exStyle, kWindowClass, wide(caption).c_str(), style, CW_USEDEFAULT, CW_USEDEFAULT,
                               frame.right - frame.left, frame.bottom - frame.top, owner, nullptr,
                               ::GetModuleHandleW(nullptr), this);
    return m_hwnd != nullptr;
}

HWND Win32Window::addControl(const wchar_t* windowClass, const std::string& text, DWORD style, int id, int left,
                             int top, int width, int height, DWORD exStyle)
{
    HWND control = ::CreateWindowExW(exStyle, windowClass, wide(text).c_str(), WS_CHILD | WS_VISIBLE | style,
                                     twipsToPixels(left), twipsToPixels(top), twipsToPixels(width),
                                     twipsToPixels(height), m_hwnd,
                                     reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), ::GetModuleHandleW(nullptr),
                                     nullptr);
    ::SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(dialogFont()), FALSE);
    return control;
}

namespace {

constexpr const wchar_t* kRedProperty = L"OB32PYII.Red";

LRESULT CALLBACK tabPage(HWND tabs, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR)
{
    if (message == WM_CTLCOLORSTATIC) {
        HDC dc = reinterpret_cast<HDC>(wParam);
        ::SetBkMode(dc, TRANSPARENT);
        ::SetTextColor(dc, ::GetPropW(reinterpret_cast<HWND>(lParam), kRedProperty) != nullptr
                               ? RGB(255, 0, 0)
                               : ::GetSysColor(COLOR_BTNTEXT));
        return reinterpret_cast<LRESULT>(::GetStockObject(NULL_BRUSH));
    }
    if (message == WM_NCDESTROY)
        ::RemoveWindowSubclass(tabs, &tabPage, 3);
    return ::DefSubclassProc(tabs, message, wParam, lParam);
}

} // namespace

HWND Win32Window::addLabelOnTab(HWND tabs, const std::string& text, int id, int left, int top, int width, int height,
                                bool red)
{
    ::SetWindowSubclass(tabs, &tabPage, 3, 0);
    RECT page;
    ::GetWindowRect(tabs, &page);
    ::MapWindowPoints(nullptr, m_hwnd, reinterpret_cast<POINT*>(&page), 2);
    HWND label = ::CreateWindowExW(0, L"STATIC", wide(text).c_str(), WS_CHILD | WS_VISIBLE | SS_LEFT,
                                   twipsToPixels(left) - page.left, twipsToPixels(top) - page.top,
                                   twipsToPixels(width), twipsToPixels(height), tabs,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), ::GetModuleHandleW(nullptr),
                                   nullptr);
    if (red)
        ::SetPropW(label, kRedProperty, reinterpret_cast<HANDLE>(1));
    ::SendMessageW(label, WM_SETFONT, reinterpret_cast<WPARAM>(dialogFont(red)), FALSE);
    return label;
}

void Win32Window::centre()
{
    RECT window;
    ::GetWindowRect(m_hwnd, &window);
    RECT work;
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    const int width = window.right - window.left;
    const int height = window.bottom - window.top;
    ::SetWindowPos(m_hwnd, nullptr, work.left + (work.right - work.left - width) / 2,
                   work.top + (work.bottom - work.top - height) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// The owner stays disabled while the window is up, as a modal window's owner
// does. Every message is dispatched, WM_TIMER included: the one-second tick
// goes on (and finds the dispatcher busy) while the operator works here.
void Win32Window::runModal()
{
    HWND owner = ::GetWindow(m_hwnd, GW_OWNER);
    const bool ownerWasEnabled = owner != nullptr && ::IsWindowEnabled(owner);
    if (ownerWasEnabled)
        ::EnableWindow(owner, FALSE);
    m_modal = true;
    m_endModal = false;
    modalStack().push_back(m_hwnd);
    ::ShowWindow(m_hwnd, SW_SHOW);
    ::SetForegroundWindow(m_hwnd);
    MSG message;
    while (!m_endModal && ::IsWindow(m_hwnd)) {
        const BOOL got = ::GetMessageW(&message, nullptr, 0, 0);
        if (got <= 0) {
            ::PostQuitMessage(static_cast<int>(message.wParam));
            break;
        }
        if (!::IsDialogMessageW(m_hwnd, &message)) {
            ::TranslateMessage(&message);
            ::DispatchMessageW(&message);
        }
    }
    modalStack().pop_back();
    m_modal = false;
    if (ownerWasEnabled)
        ::EnableWindow(owner, TRUE);
    if (::IsWindow(m_hwnd))
        ::ShowWindow(m_hwnd, SW_HIDE);
}

void Win32Window::endModal()
{
    m_endModal = true;
    ::PostMessageW(m_hwnd, WM_NULL, 0, 0);
}

void Win32Window::focus(HWND control)
{
    m_focus = control;
    ::SetFocus(control);
}

LRESULT Win32Window::handle(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_ACTIVATE && LOWORD(wParam) == WA_INACTIVE) {
        HWND focused = ::GetFocus();
        if (focused != nullptr && ::IsChild(m_hwnd, focused))
            m_focus = focused;
        return 0;
    }
    if ((message == WM_ACTIVATE || message == WM_SETFOCUS) && m_focus != nullptr && ::IsWindow(m_focus) &&
        ::IsChild(m_hwnd, m_focus)) {
        ::SetFocus(m_focus);
        return 0;
    }
    return ::DefWindowProcW(m_hwnd, message, wParam, lParam);
}

LRESULT CALLBACK Win32Window::procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        auto* self = static_cast<Win32Window*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->m_hwnd = hwnd;
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<Win32Window*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (self == nullptr)
        return ::DefWindowProcW(hwnd, message, wParam, lParam);
    // Nothing may escape into the system's code: a failure ends here.
    try {
        return self->handle(message, wParam, lParam);
    } catch (...) {
        return 0;
    }
}

bool windowsCanBeShown()
{
    static const bool can = [] {
        HWND probe = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                                       ::GetModuleHandleW(nullptr), nullptr);
        if (probe == nullptr)
            return false;
        ::DestroyWindow(probe);
        return true;
    }();
    return can;
}

HWND currentModalWindow()
{
    return modalStack().empty() ? nullptr : modalStack().back();
}

} // namespace ob::win32
