// The login dialog driven like an operator: what it shows, how OK checks the
// entries, and what Cancel, Escape and the close box give back.
#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "gui/Operator.h"
#include "gui/qt/QtLoginDialog.h"

namespace ob::test {
namespace {

using gui::QtLoginDialog;

QLineEdit* box(QtLoginDialog& dialog, const char* name)
{
    return control<QLineEdit>(dialog, name);
}

void press(QtLoginDialog& dialog, const char* button)
{
    QTest::mouseClick(control<QPushButton>(dialog, button), Qt::LeftButton);
}

TEST(QtLoginDialog, showsItsTextsWithThePasswordHidden)
{
    const auto windows = operatorWindows();
    BoxAnswerer boxes;
    QtLoginDialog dialog(*windows);
    const char* const failed = "The specified login credentials failed - enter valid credentials and make sure "
                               "database server is running";
    dialog.setMessage(failed);
    dialog.sUserName = "jsmith";
    dialog.sPassword = "s3cr3t";
    dialog.sDetails = "[unixODBC]connection refused [08001] [psqlODBC]";
    dialog.show(); // not modal, so the test can look on
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    EXPECT_EQ(dialog.windowTitle(), "ORBISTA Login");
    EXPECT_TRUE(dialog.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(control(dialog, "framSettings_0")->isVisible());
    const std::pair<const char*, const char*> texts[] = {
        {"Label1", "Enter the user name and password to use to connect to the ORBISTA database."},
        {"Label2", "User name"}, {"Label3", "Password"}, {"lblMessage", failed}};
    for (const auto& [name, text] : texts) {
        EXPECT_EQ(control<QLabel>(dialog, name)->text(), text);
    }
    EXPECT_EQ(control(dialog, "lblMessage")->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    EXPECT_EQ(control<QPushButton>(dialog, "cmdOKCancelHelp_0")->text(), "&OK");
    EXPECT_EQ(control<QPushButton>(dialog, "cmdOKCancelHelp_1")->text(), "&Cancel");
    EXPECT_TRUE(control<QPushButton>(dialog, "cmdOKCancelHelp_0")->isDefault()) << "Enter presses OK";
    EXPECT_EQ(box(dialog, "txtUserName")->displayText() + box(dialog, "txtPassword")->displayText(), "jsmith******");
    EXPECT_EQ(box(dialog, "txtPassword")->selectedText(), "s3cr3t") << "a stored user name sends the focus on";
    QStringList order;
    for (int i = 0; i < 5; ++i) {
        order << QApplication::focusWidget()->objectName();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    EXPECT_EQ(order, QStringList({"txtPassword", "cmdOKCancelHelp_0", "cmdOKCancelHelp_1", "cmdDetails",
                                  "txtUserName"}));
    press(dialog, "cmdDetails");
    ASSERT_EQ(boxes.titles(), QStringList{"Login Error Details"});
    EXPECT_EQ(boxes.boxes[0].text, "[unixODBC]connection refused [08001] [psqlODBC]");
    EXPECT_TRUE(dialog.isVisible()) << "the dialog stays open";
}

// Modal, as the login runs it. OK checks the user name before the password; blanks count as entries.
// Cancel, Escape and the close box are no confirmation: the caller keeps what it passed in.
TEST(QtLoginDialog, okTakesTheEntriesAndEveryOtherWayOutDropsThem)
{
    const auto windows = operatorWindows();
    BoxAnswerer boxes;
    const std::function<void(QtLoginDialog&)> ways[] = {
        [](QtLoginDialog& d) {
            EXPECT_EQ(d.focusWidget()->objectName(), "txtUserName") << "no stored user name";
            for (const auto& [user, password] : {std::pair{"", "x"}, {"jsmith", ""}, {" ", " "}}) {
                box(d, "txtUserName")->setText(user);
                box(d, "txtPassword")->setText(password);
                press(d, "cmdOKCancelHelp_0");
                EXPECT_EQ(d.isVisible() ? d.focusWidget()->objectName() : "", *user == 'j' ? "txtPassword"
                                                                             : *user       ? ""
                                                                                           : "txtUserName");
            }
        },
        [](QtLoginDialog& d) {
            press(d, "cmdOKCancelHelp_0"); // refused: nothing is taken over
            press(d, "cmdOKCancelHelp_1");
        },
        [](QtLoginDialog& d) { QTest::keyClick(d.focusWidget(), Qt::Key_Escape); },
        [](QtLoginDialog& d) { d.close(); }};
    for (const auto& way : ways) {
        QtLoginDialog dialog(*windows);
        workWhileModal(dialog, [&] { dialog.ShowModal(); }, [&] {
            EXPECT_FALSE(control(dialog, "cmdDetails")->isVisible()) << "no details, no button";
            QTest::keyClicks(box(dialog, "txtUserName"), "typed");
            way(dialog);
        });
        EXPECT_EQ(dialog.bCancel, &way != &ways[0]);
        EXPECT_EQ(dialog.sUserName + "|" + dialog.sPassword, &way == &ways[0] ? " | " : "|");
    }
    ASSERT_EQ(boxes.titles(), QStringList({"User Name Missing", "Password Missing", "Password Missing"}));
    EXPECT_EQ(boxes.boxes[0].text, "Enter the user name to use to login to the ORBISTA database.");
    EXPECT_EQ(boxes.boxes[1].text, "Enter the password to use to login to the ORBISTA database.");
    windows->forceOperatorDisplay(false);
    QtLoginDialog unattended(*windows);
    unattended.ShowModal();
    EXPECT_TRUE(unattended.bCancel) << "without an operator display it is answered as Cancel";
}

} // namespace
} // namespace ob::test
