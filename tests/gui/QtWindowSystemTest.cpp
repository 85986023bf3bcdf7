// The Qt window system's message boxes as the operator sees them, and the
// one-second timer.
#include <gtest/gtest.h>

#include "gui/Operator.h"
#include "gui/qt/QtSubTimer.h"
#include "link/Link.h"
#include "platform/Failure.h"

namespace ob::test {
namespace {

// Lines break where the text says; a busy pointer is gone before the box shows.
TEST(QtWindowSystem, boxesShowEveryLineWithTheDefaultPointer)
{
    auto windows = operatorWindows();
    BoxAnswerer boxes;
    bool pointerWasDefault = false;
    boxes.onBox = [&](const SeenBox&) { pointerWasDefault = QGuiApplication::overrideCursor() == nullptr; };
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    QGuiApplication::setOverrideCursor(Qt::BusyCursor);
    const Failure failure(5, "Invalid procedure call or argument", "QtRequiredFieldsEditor");
    ShowErrorBox(*windows, "attempting to validate settings", "OB32PYII", &failure);
    ASSERT_EQ(boxes.boxes.size(), 1U);
    EXPECT_EQ(boxes.boxes[0].title, "OB32PYII");
    EXPECT_TRUE(boxes.boxes[0].critical);
    EXPECT_EQ(boxes.boxes[0].text, "An error occurred while attempting to validate settings.\n\nError: 5 - Invalid "
                                   "procedure call or argument\n(QtRequiredFieldsEditor)");
    EXPECT_TRUE(pointerWasDefault);
    ShowInfoBox(*windows, "Enter the password to use to login to the ORBISTA database.", "Password Missing");
    ASSERT_EQ(boxes.boxes.size(), 2U);
    EXPECT_FALSE(boxes.boxes[1].critical);

    windows->forceOperatorDisplay(std::nullopt);
    EXPECT_FALSE(windows->OperatorDisplayAvailable()) << "offscreen: nobody to answer";
    windows->MessageBox("nobody reads this", "Title", MessageIcon::Information);
    EXPECT_EQ(boxes.boxes.size(), 2U) << "and no box waits for one";
}

// While a handler waits in a modal window, ticks go on at the same pace (the
// link turns them away); a failing handler stops nothing; interval 0 stops all.
TEST(QtSubTimer, ticksGoOnWhileAHandlerWaitsAndAfterItFails)
{
    gui::QtSubTimer timer;
    int ticks = 0;
    int nested = 0;
    bool waiting = false;
    timer.ThatTime = [&] {
        ++ticks;
        if (waiting) {
            ++nested;
            return;
        }
        if (ticks == 1) {
            waiting = true;
            QTest::qWait(200); // the modal window's loop
            waiting = false;
        }
        throw std::runtime_error("handler failed");
    };
    timer.setInterval(20);
    QTRY_VERIFY_WITH_TIMEOUT(ticks > nested + 3, 5000);
    EXPECT_GE(nested, 3);
    EXPECT_LE(nested, 11);
    timer.setInterval(0);
    const int stoppedAt = ticks;
    QTest::qWait(100);
    EXPECT_EQ(ticks, stoppedAt);
}

} // namespace
} // namespace ob::test
