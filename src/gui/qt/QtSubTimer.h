#pragma once
// SubTimer on a QTimer of the main thread: ThatTime runs while events are
// delivered, also while an earlier ThatTime is still running (a modal dialog,
// a log line that delivers events), so that the handler sees the tick.

#include <QTimer>

#include "context/WindowSystem.h"

namespace ob::gui {

class QtSubTimer final : public SubTimer {
public:
    QtSubTimer();
    // Any positive interval (re)starts the timer; 0 stops it.
    void setInterval(int milliseconds) override;
    int Interval() const override { return m_interval; }

private:
    void tick();

    QTimer m_timer;
    // Qt never delivers a timer to its slot while that slot runs; this one
    // keeps the ticks coming while the outermost ThatTime is on the stack.
    QTimer m_nestedTimer;
    int m_interval = 0;
    int m_depth = 0;
};

} // namespace ob::gui
