// The Qt window system: its message boxes as the operator sees them, the
// mouse pointer, the offscreen rule, and the one-second timer.
#include "context/Messages.h"
#include <gtest/gtest.h>

#include <QApplication>
#include <QCursor>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <stdexcept>

#include "gui/Operator.h"
#include "gui/qt/QtSubTimer.h"
#include "gui/qt/QtText.h"
#include "platform/Failure.h"
#include "platform/ini/IniFile.h"
#include "link/Link.h"
#include "context/Clock.h"
#include "context/Environment.h"

namespace ob::test {
namespace {

TEST(QtWindowSystem, errorBoxShowsEveryLineOfItsTextUnderItsTitle)
{
    auto windows = operatorWindows();
    BoxAnswerer boxes;
    const Failure failure(5, "Invalid procedure call or argument", "QtRequiredFieldsEditor");
    ShowErrorBox(*windows, "attempting to validate settings", "OB32PYII", &failure);
    ASSERT_EQ(boxes.boxes.size(), 1U);
    EXPECT_EQ(boxes.boxes[0].title, "OB32PYII");
    EXPECT_TRUE(boxes.boxes[0].critical);
    EXPECT_EQ(boxes.boxes[0].text, "An error occurred while attempting to validate settings.\n\nError: 5 - Invalid "
                                   "procedure call or argument\n(QtRequiredFieldsEditor)");
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

// Ticks keep coming while an action waits for the operator: each is turned
// away with its log line, and none starts a second action meanwhile.
TEST(QtSubTimer, aTickDuringAnActionIsTurnedAwayByTheRunningOne)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    BoxAnswerer boxes;
    Environment env;
    env.windowsFolder = gui::fromQ(dir.path());
    env.programFolder = env.windowsFolder;
    env.clock = std::make_shared<SystemClock>();
    env.windows = operatorWindows(env.windowsFolder);
    Link link(env);
    IniFile ini;
    ini.setFilePath(env.windowsFolder + "/NEXOVA.INI");
    ini.write("database", "DB_login", "DSN=nowhere");
    ini.setFilePath(env.windowsFolder + "/OB32PYII.INI");
    ini.write("General", "Action", "/OBLOGIN");

    // No stored user name: the login dialog waits for the operator, who
    // answers it with Cancel after a while. (The test runs below that modal
    // loop, so the operator acts from a timer.)
    QString dialogName;
    QTimer operatorWatch;
    QObject::connect(&operatorWatch, &QTimer::timeout, &operatorWatch, [&] {
        QWidget* dialog = QApplication::activeModalWidget();
        if (dialog == nullptr || !dialogName.isEmpty()) {
            return;
        }
        dialogName = dialog->objectName();
        ini.write("General", "Action", "/OBVER"); // taken up only once the login is over
        QTimer::singleShot(2600, dialog, [dialog] {
            QTest::mouseClick(control<QPushButton>(*dialog, "cmdOKCancelHelp_1"), Qt::LeftButton);
        });
    });
    operatorWatch.start(50);
    std::vector<std::string> lines;
    const auto readLog = [&] {
        QFile log(dir.filePath(QStringLiteral("OB32PYII.txt")));
        lines.clear();
        if (log.open(QIODevice::ReadOnly)) {
            for (const QByteArray& line : log.readAll().split('\n')) {
                lines.push_back(line.mid(line.indexOf('\t') + 1).trimmed().toStdString());
            }
        }
        return std::find(lines.begin(), lines.end(), "Done processing action /OBVER") != lines.end();
    };
    QTRY_VERIFY_WITH_TIMEOUT(readLog(), 15000);
    EXPECT_EQ(dialogName, "QtLoginDialog");
    const auto at = [&](const std::string& text) { return std::find(lines.begin(), lines.end(), text); };
    const auto begun = at("Processing action /OBLOGIN...");
    const auto ended = at("Done processing action /OBLOGIN");
    ASSERT_LT(begun, ended);
    const auto busy = std::count(begun, ended, std::string("Processing request (timer busy)..."));
    EXPECT_GE(busy, 2) << "one a second while the dialog is up";
    EXPECT_LE(busy, 4);
    EXPECT_GT(at("Processing action /OBVER..."), ended);
}

} // namespace
} // namespace ob::test
