#include "gui/win32/Win32WindowSystem.h"

#include "context/ExchangeKeys.h"
#include "gui/win32/Win32LoginDialog.h"
#include "gui/win32/Win32OutputWindow.h"
#include "gui/win32/Win32RequiredFieldsEditor.h"
#include "gui/win32/Win32Ui.h"
#include "platform/system/FolderWatch.h"
#include "platform/win32/Wide.h"

#include <iostream>
#include <map>
#include <vector>

namespace ob::win32 {

namespace {

// Keys for an open modal window get its dialog handling (Tab, Enter, Escape)
// also when a log line delivers events in the middle of a tick.
void dispatch(MSG& message)
{
    if (HWND modal = currentModalWindow(); modal != nullptr && ::IsDialogMessageW(modal, &message))
        return;
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
}

// SubTimer on a thread timer: WM_TIMER arrives through the message loop, so
// ThatTime runs while events are delivered, on the program's one thread.
class Win32SubTimer final : public SubTimer {
public:
    ~Win32SubTimer() override { stop(); }

    void setInterval(int milliseconds) override
    {
        stop();
        m_interval = milliseconds > 0 ? milliseconds : 0;
        if (m_interval == 0)
            return;
        m_id = ::SetTimer(nullptr, 0, static_cast<UINT>(m_interval), &Win32SubTimer::onTimer);
        if (m_id != 0)
            timers()[m_id] = this;
    }
    int Interval() const override { return m_interval; }

private:
    static std::map<UINT_PTR, Win32SubTimer*>& timers()
    {
        static std::map<UINT_PTR, Win32SubTimer*> all;
        return all;
    }

    // Nothing may unwind through the system's dispatch code. Windows swallows
    // an exception there by default (Wine too), leaving whatever the unwinding
    // skipped half done; a lab PC may turn that suppression off, and then it
    // ends the program.
    static void CALLBACK onTimer(HWND, UINT, UINT_PTR id, DWORD) noexcept
    {
        const auto found = timers().find(id);
        if (found != timers().end())
            found->second->fire();
    }

    void stop()
    {
        if (m_id != 0) {
            ::KillTimer(nullptr, m_id);
            timers().erase(m_id);
            m_id = 0;
        }
    }

    UINT_PTR m_id = 0;
    int m_interval = 0;
};

// The log window's list, kept in memory until the window is built.
class MemoryOutputWindow final : public OutputWindow {
public:
    int ListCount() const override { return static_cast<int>(m_lines.size()); }
    void RemoveItem(int index) override
    {
        if (index >= 0 && index < ListCount())
            m_lines.erase(m_lines.begin() + index);
    }
    void AddItem(const std::string& text) override { m_lines.push_back(text); }
    void SetListIndex(int) override {}
    void Show() override {}

private:
    std::vector<std::string> m_lines;
};

class Win32FileWatch final : public FileWatch {
public:
    Win32FileWatch(Win32WindowSystem& windows, std::unique_ptr<sys::FolderWatch> watch, std::function<void()> onChange)
        : m_windows(windows)
        , m_watch(std::move(watch))
    {
        m_windows.addWatched(this, {reinterpret_cast<HANDLE>(m_watch->handle()), [this, onChange = std::move(onChange)] {
                                        if (m_watch->consume() && onChange)
                                            onChange();
                                    }});
    }
    ~Win32FileWatch() override { m_windows.removeWatched(this); }

private:
    Win32WindowSystem& m_windows;
    std::unique_ptr<sys::FolderWatch> m_watch;
};

} // namespace

Win32WindowSystem::Win32WindowSystem(std::string windowsFolder, regional::RegionalSettings regional,
                                     std::shared_ptr<const Clock> clock)
    : m_windowsFolder(std::move(windowsFolder))
    , m_regional(std::move(regional))
    , m_clock(std::move(clock))
{
}

bool Win32WindowSystem::OperatorDisplayAvailable() const
{
    return windowsCanBeShown();
}

HWND Win32WindowSystem::owner() const
{
    return m_outputWindow != nullptr && ::IsWindow(m_outputWindow) ? m_outputWindow : nullptr;
}

// Runs the handlers of the watches whose events are set; with `wait`,
// first blocks until a message or one of those events arrives.
void Win32WindowSystem::checkWatched(bool wait)
{
    std::vector<HANDLE> events;
    std::vector<void*> keys;
    for (const auto& [key, watched] : m_watched) {
        events.push_back(watched.event);
        keys.push_back(key);
    }
    if (wait)
        ::MsgWaitForMultipleObjectsEx(static_cast<DWORD>(events.size()), events.data(), INFINITE, QS_ALLINPUT,
                                      MWMO_INPUTAVAILABLE);
    for (std::size_t i = 0; i < events.size(); ++i) {
        // A handler may end a watch (the program terminating): look it up again.
        if (::WaitForSingleObject(events[i], 0) == WAIT_OBJECT_0) {
            const auto found = m_watched.find(keys[i]);
            if (found != m_watched.end())
                found->second.check();
        }
    }
}

std::unique_ptr<FileWatch> Win32WindowSystem::WatchFile(const std::string& path, std::function<void()> onChange,
                                                        std::string& why)
{
    auto watch = std::make_unique<sys::FolderWatch>(path);
    if (!watch->started()) {
        why = watch->error();
        return nullptr;
    }
    return std::make_unique<Win32FileWatch>(*this, std::move(watch), std::move(onChange));
}

void Win32WindowSystem::DoEvents()
{
    checkWatched(false);
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT)
            return;
        dispatch(message);
    }
}

void Win32WindowSystem::WaitForEvents()
{
    // Blocks until a message or a watched change arrives: the program spends
    // no time waiting.
    checkWatched(true);
    DoEvents();
}

void Win32WindowSystem::Beep()
{
    ::MessageBeep(MB_OK);
}

void Win32WindowSystem::RestoreDefaultPointer()
{
    ::SetCursor(::LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW)));
}

void Win32WindowSystem::MessageBox(const std::string& text, const std::string& title, MessageIcon icon)
{
    const UINT style = MB_OK | MB_TOPMOST | MB_SETFOREGROUND |
                       (icon == MessageIcon::Critical ? MB_ICONERROR : MB_ICONINFORMATION);
    // Owned by the open modal window, if any, which it keeps disabled. Without
    // a desktop (a service, Wine without a display) the box cannot be shown:
    // the text goes to the error output instead.
    HWND boxOwner = currentModalWindow();
    if (::MessageBoxW(boxOwner, wide(text).c_str(), wide(title).c_str(), style) == 0)
        std::cerr << title << ": " << text << '\n';
}

std::unique_ptr<OutputWindow> Win32WindowSystem::CreateOutputWindow()
{
    if (!windowsCanBeShown())
        return std::make_unique<MemoryOutputWindow>();
    std::string logFile = m_windowsFolder;
    if (!logFile.empty() && logFile.back() != '\\' && logFile.back() != '/')
        logFile += '\\';
    auto window = std::make_unique<Win32OutputWindow>(logFile + keys::kLogFileName);
    m_outputWindow = window->hwnd();
    return window;
}

std::unique_ptr<SubTimer> Win32WindowSystem::CreateTimer()
{
    return std::make_unique<Win32SubTimer>();
}

std::unique_ptr<LoginDialog> Win32WindowSystem::CreateLoginDialog()
{
    return std::make_unique<Win32LoginDialog>(*this, owner());
}

std::unique_ptr<RequiredFieldsEditor> Win32WindowSystem::CreateReqFieldsEditor()
{
    const int year = m_clock ? m_clock->now().year : SystemClock().now().year;
    return std::make_unique<Win32RequiredFieldsEditor>(*this, m_regional, year, owner());
}

} // namespace ob::win32
