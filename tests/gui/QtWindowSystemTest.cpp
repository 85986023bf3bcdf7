// The Qt window system: its message boxes as the operator sees them, the
// mouse pointer, the offscreen rule, and the one-second timer.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCursor>
#include <QTest>

#include <stdexcept>

#include "gui/Operator.h"
#include "gui/QtSubTimer.h"
#include "platform/Failure.h"
#include "shell/CBrennLinkDB.h"

namespace ob::test {
namespace {

TEST(QtWindowSystem, errorBoxShowsEveryLineOfItsTextUnderItsTitle)
{
    auto windows = operatorWindows();
    BoxAnswerer boxes;
    const Failure failure(5, "Invalid procedure call or argument", "frmReqFields");
    ShowErrorBox(*windows, "attempting to validate settings", "OB32PYII", &failure);
    ASSERT_EQ(boxes.boxes.size(), 1U);
    EXPECT_EQ(boxes.boxes[0].title, "OB32PYII");
    EXPECT_TRUE(boxes.boxes[0].critical);
    EXPECT_EQ(boxes.boxes[0].text, "An error occurred while attempting to validate settings.\n\nError: 5 - Invalid "
                                   "procedure call or argument\n(frmReqFields)");
}

TEST(QtWindowSystem, infoBoxRestoresTheDefaultPointerFirst)
{
    auto windows = operatorWindows();
    BoxAnswerer boxes;
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    QGuiApplication::setOverrideCursor(Qt::BusyCursor);
    bool pointerWasDefault = false;
    boxes.onBox = [&](const SeenBox&) { pointerWasDefault = QGuiApplication::overrideCursor() == nullptr; };
    ShowInfoBox(*windows, "Enter the password to use to login to the ORBISTA database.", "Password Missing");
    ASSERT_EQ(boxes.boxes.size(), 1U);
    EXPECT_FALSE(boxes.boxes[0].critical);
    EXPECT_TRUE(pointerWasDefault);
}

TEST(QtWindowSystem, offscreenHasNoOperatorAndItsBoxesDoNotWait)
{
    gui::QtWindowSystem windows("", regional::RegionalSettings::enUS(), nullptr);
    EXPECT_FALSE(windows.OperatorDisplayAvailable());
    BoxAnswerer boxes;
    windows.MessageBox("nobody reads this", "Title", MessageIcon::Information);
    EXPECT_TRUE(boxes.boxes.empty());
    windows.forceOperatorDisplay(true);
    EXPECT_TRUE(windows.OperatorDisplayAvailable());
}

TEST(QtSubTimer, ticksAtItsIntervalUntilSetToZero)
{
    gui::QtSubTimer timer;
    int ticks = 0;
    timer.ThatTime = [&] { ++ticks; };
    EXPECT_EQ(timer.Interval(), 0);
    timer.setInterval(20);
    EXPECT_EQ(timer.Interval(), 20);
    QTRY_VERIFY_WITH_TIMEOUT(ticks >= 3, 2000);
    timer.setInterval(0);
    EXPECT_EQ(timer.Interval(), 0);
    const int stoppedAt = ticks;
    QTest::qWait(100);
    EXPECT_EQ(ticks, stoppedAt);
}

TEST(QtSubTimer, aFailingHandlerDoesNotStopTheTicks)
{
    gui::QtSubTimer timer;
    int ticks = 0;
    timer.ThatTime = [&] {
        ++ticks;
        throw std::runtime_error("handler failed");
    };
    timer.setInterval(10);
    QTRY_VERIFY_WITH_TIMEOUT(ticks >= 2, 2000);
    timer.setInterval(0);
}

} // namespace
} // namespace ob::test
