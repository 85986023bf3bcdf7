#include "gui/qt/QtSubTimer.h"

namespace ob::gui {

QtSubTimer::QtSubTimer()
{
    QObject::connect(&m_timer, &QTimer::timeout, &m_timer, [this] { tick(); });
    QObject::connect(&m_nestedTimer, &QTimer::timeout, &m_nestedTimer, [this] { tick(); });
}

void QtSubTimer::setInterval(int milliseconds)
{
    m_interval = milliseconds > 0 ? milliseconds : 0;
    if (m_interval > 0) {
        m_timer.start(m_interval);
        if (m_nestedTimer.isActive()) {
            m_nestedTimer.start(m_interval);
        }
    } else {
        m_timer.stop();
        m_nestedTimer.stop();
    }
}

void QtSubTimer::tick()
{
    if (!ThatTime || m_interval == 0) {
        return;
    }
    // While the outermost handler runs, m_timer is blocked and the second
    // timer takes over at the same pace: still one tick an interval, the next
    // one an interval after this one began.
    const bool outermost = m_depth == 0;
    if (outermost) {
        m_nestedTimer.start(m_interval);
    }
    ++m_depth;
    fire(); // nothing may leave a Qt slot
    --m_depth;
    if (outermost) {
        m_nestedTimer.stop();
    }
}

} // namespace ob::gui
