// The Qt window system's message boxes, and the one-second timer.
#include <gtest/gtest.h>

#include "gui/Operator.h"
#include "gui/qt/QtSubTimer.h"

namespace ob::test {
namespace {

// Offscreen, where nobody can answer, a box waits for nobody: the request goes on.
TEST(QtWindowSystem, noBoxWaitsWithoutADisplay)
{
    auto windows = operatorWindows();
    BoxAnswerer boxes;
    windows->forceOperatorDisplay(std::nullopt);
    EXPECT_FALSE(windows->OperatorDisplayAvailable());
    windows->MessageBox("nobody reads this", "Title", MessageIcon::Information);
    EXPECT_TRUE(boxes.titles.empty());
}

// While a handler waits in a modal window ticks go on (the link turns them away); a failing handler
// stops nothing; interval 0 stops all.
TEST(QtSubTimer, ticksGoOnWhileAHandlerWaitsAndAfterItFails)
{
    gui::QtSubTimer timer;
    int ticks = 0;
    int nested = 0;
    timer.ThatTime = [&] {
        if (++ticks == 1) {
            QTest::qWait(200); // the modal window's loop
            nested = ticks - 1;
        }
        throw std::runtime_error("handler failed");
    };
    timer.setInterval(20);
    QTRY_VERIFY_WITH_TIMEOUT(ticks > nested + 3, 5000);
    EXPECT_GE(nested, 3);
    timer.setInterval(0);
    const int stoppedAt = ticks;
    QTest::qWait(100);
    EXPECT_EQ(ticks, stoppedAt);
}

} // namespace
} // namespace ob::test
