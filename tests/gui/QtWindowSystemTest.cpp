// The Qt window system's message boxes, and the one-second timer.
#include <gtest/gtest.h>

#include "gui/Operator.h"
#include "gui/qt/QtSubTimer.h"
#include "context/Messages.h"
#include "link/Link.h"
#include "platform/Failure.h"

namespace ob::test {
namespace {

// Lines break where the text says; a busy pointer is gone first; offscreen, where nobody answers, none waits.
TEST(QtWindowSystem, boxesShowEveryLineWithTheDefaultPointer)
{
    auto windows = operatorWindows();
    BoxAnswerer boxes;
    bool pointerWasDefault = false;
    boxes.onBox = [&]() { pointerWasDefault = QGuiApplication::overrideCursor() == nullptr; };
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    QGuiApplication::setOverrideCursor(Qt::BusyCursor);
    const Failure failure(5, "Invalid procedure call or argument", "QtRequiredFieldsEditor");
    ShowErrorBox(*windows, "attempting to validate settings", "OB32PYII", &failure);
    ASSERT_EQ(boxes.titles, QStringList{"OB32PYII"});
    EXPECT_EQ(boxes.critical, 1);
    EXPECT_EQ(boxes.texts.value(0).count('\n'), 3) << "every line of the text";
    EXPECT_TRUE(pointerWasDefault);
    windows->forceOperatorDisplay(std::nullopt);
    EXPECT_FALSE(windows->OperatorDisplayAvailable());
    windows->MessageBox("nobody reads this", "Title", MessageIcon::Information);
    EXPECT_EQ(boxes.titles.size(), 1U);
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
