#pragma once
// SubTimer on a QTimer of the main thread: ThatTime runs while events are
// delivered.

#include <QTimer>

#include "shell/WindowSystem.h"

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
    int m_interval = 0;
};

} // namespace ob::gui
