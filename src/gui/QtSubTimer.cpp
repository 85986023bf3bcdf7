#include "gui/QtSubTimer.h"

#include <iostream>

#include "platform/Failure.h"

namespace ob::gui {

QtSubTimer::QtSubTimer()
{
    QObject::connect(&m_timer, &QTimer::timeout, &m_timer, [this] { tick(); });
}

void QtSubTimer::setInterval(int milliseconds)
{
    m_interval = milliseconds > 0 ? milliseconds : 0;
    if (m_interval > 0) {
        m_timer.start(m_interval);
    } else {
        m_timer.stop();
    }
}

void QtSubTimer::tick()
{
    if (!ThatTime) {
        return;
    }
    // The handler reports its own failures; nothing may leave a Qt slot.
    try {
        ThatTime();
    } catch (...) {
        const Failure failure = currentFailure();
        std::cerr << "OB32PYII: timer event failed: " << failure.number() << " - " << failure.description() << '\n';
    }
}

} // namespace ob::gui
