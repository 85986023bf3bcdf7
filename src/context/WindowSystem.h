#pragma once
// The window system as the core sees it: event delivery, beep, pointer,
// message boxes, the log window and the timer. The dialogs of the session and
// the required fields are made through their own ports (LoginDialogs,
// RequiredFieldsEditors), which the same window system implements. Qt or
// Win32 in the program (src/gui/qt, src/gui/win32), a recording fake in tests.

#include <functional>
#include <memory>
#include <string>

namespace ob {

// SubTimer: Interval 1000 gives one ThatTime a second on the program's one
// thread, delivered while events are delivered; 0 stops it.
class SubTimer {
public:
    virtual ~SubTimer() = default;
    virtual void setInterval(int milliseconds) = 0;
    virtual int Interval() const = 0;
    std::function<void()> ThatTime;

    // Runs ThatTime, if set. The handler reports its own failures; what still
    // escapes is written to the error output and goes no further: a timer's
    // caller is the window system's dispatch code.
    void fire() noexcept;
};

// The log window. Its list box lstOutput holds the log lines, at most this
// many and one more: the oldest goes first.
inline constexpr int kMaxOutputLines = 32000;

class OutputWindow {
public:
    virtual ~OutputWindow() = default;
    virtual int ListCount() const = 0;
    virtual void RemoveItem(int index) = 0;
    virtual void AddItem(const std::string& text) = 0;
    virtual void SetListIndex(int index) = 0;
    virtual void Show() = 0;
    // A line of the window's own (the printer's): set, it goes to the log,
    // which shows it in the window too; unset, the window only adds it.
    std::function<void(const std::string&)> OwnLine;
};

enum class MessageIcon { Information, Critical };

// While it lives, a watch calls its handler (on the program's thread, while
// events are delivered) soon after the watched file may have changed.
class FileWatch {
public:
    virtual ~FileWatch() = default;
};

class WindowSystem {
public:
    virtual ~WindowSystem() = default;
    // DoEvents: deliver pending events and return.
    virtual void DoEvents() = 0;
    // Block until at least one event arrives, then deliver what is pending.
    virtual void WaitForEvents() = 0;
    virtual void Beep() = 0;
    virtual void RestoreDefaultPointer() = 0;
    virtual void MessageBox(const std::string& text, const std::string& title, MessageIcon icon) = 0;
    // False when no operator can see a window (no display): dialogs that
    // would wait for an operator are then answered at once.
    virtual bool OperatorDisplayAvailable() const = 0;

    virtual std::unique_ptr<OutputWindow> CreateOutputWindow() = 0;
    virtual std::unique_ptr<SubTimer> CreateTimer() = 0;
    // Watches `path` for changes; nullptr, with the reason in `why`, where
    // this window system or the folder cannot (the timer then does alone).
    virtual std::unique_ptr<FileWatch> WatchFile(const std::string& path, std::function<void()> onChange,
                                                 std::string& why)
    {
        (void)path;
        (void)onChange;
        why = "this window system watches no files";
        return nullptr;
    }
};

} // namespace ob
