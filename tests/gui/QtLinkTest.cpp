// The link on the real Qt window system: its own one-second timer, a modal login dialog.
#include <gtest/gtest.h>

#include <QDialog>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>

#include "gui/Operator.h"
#include "link/Link.h"
#include "platform/ini/IniFile.h"

namespace ob::test {
namespace {

// A tick that comes while the operator keeps the login dialog open is turned
// away: an Action a hasty peer writes meanwhile waits until /OBLOGIN is done.
TEST(QtLink, aTickWhileTheOperatorWaitsIsTurnedAway)
{
    QTemporaryDir dir;
    const std::string folder = dir.path().toStdString();
    IniFile exchange, nexova;
    exchange.setFilePath(folder + "/OB32PYII.INI");
    nexova.setFilePath(folder + "/NEXOVA.INI");
    auto windows = operatorWindows(folder);
    Link link(Environment{folder, folder, regional::RegionalSettings::enUS(), std::make_shared<SystemClock>(), windows});
    nexova.write("database", "DB_login", "Driver=SQLite3;Database=" + folder + "/orbista.db");
    exchange.write("General", "Action", "/OBLOGIN"); // no stored credentials: the dialog asks

    std::optional<std::string> busy;
    QTimer operatorHand;
    QObject::connect(&operatorHand, &QTimer::timeout, [&] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr || dialog->property("seen").toBool()) {
            return;
        }
        dialog->setProperty("seen", true);
        QTimer::singleShot(1500, dialog, [&] { // a tick has come and gone
            busy = exchange.read("General", "Busy");
            exchange.write("General", "Action", "/OBVER");
        });
        QTimer::singleShot(3000, dialog, [dialog] {
            QTest::mouseClick(control<QPushButton>(*dialog, "cmdOKCancelHelp_1"), Qt::LeftButton);
        });
    });
    operatorHand.start(20);
    const auto log = [&] {
        QFile file(dir.filePath("OB32PYII.txt"));
        return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : std::string();
    };
    QTRY_VERIFY_WITH_TIMEOUT(log().find("Done processing action /OBVER") != std::string::npos, 20000);
    EXPECT_EQ(busy, "True");
    const std::string text = log();
    EXPECT_NE(text.find("Processing request (timer busy)..."), std::string::npos) << text;
    EXPECT_GT(text.find("Processing action /OBVER"), text.find("Done processing action /OBLOGIN")) << text;
    EXPECT_EQ(exchange.read("General", "Busy"), "False");
}

} // namespace
} // namespace ob::test
