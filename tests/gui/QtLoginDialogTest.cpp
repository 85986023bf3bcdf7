// The login dialog driven like an operator: what it shows, and what each way out gives back.
#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "gui/Operator.h"
#include "gui/qt/QtLoginDialog.h"

namespace ob::test {
namespace {

using gui::QtLoginDialog;

TEST(QtLoginDialog, showsItsTextsAndOnlyOkTakesTheEntries)
{
    const auto windows = operatorWindows();
    BoxAnswerer boxes;
    QtLoginDialog dialog(*windows);
    const char* const failed = "The specified login credentials failed - enter valid credentials and make sure "
                               "database server is running";
    dialog.prepare({"jsmith", "s3cr3t"}, failed, "[unixODBC]connection refused [08001] [psqlODBC]");
    dialog.show(); // not modal, so the test can look on
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    EXPECT_EQ(control(dialog, "lblMessage")->property("text").toString(), failed);
    EXPECT_TRUE(control<QPushButton>(dialog, "cmdOKCancelHelp_0")->isDefault()) << "Enter presses OK";
    auto* password = control<QLineEdit>(dialog, "txtPassword");
    EXPECT_EQ(control<QLineEdit>(dialog, "txtUserName")->displayText() + password->displayText(), "jsmith******");
    EXPECT_EQ(password->selectedText(), "s3cr3t") << "a stored user name sends the focus on";
    QTest::mouseClick(control<QPushButton>(dialog, "cmdDetails"), Qt::LeftButton);
    EXPECT_EQ(boxes.texts.value(0), "[unixODBC]connection refused [08001] [psqlODBC]");
    EXPECT_TRUE(dialog.isVisible()) << "the dialog stays open";
    dialog.hide();

    // Modal, as the login runs it. OK checks the user name before the password; blanks count as entries.
    // Cancel, Escape and the close box are no confirmation: the caller keeps what it passed in.
    const std::function<void(QtLoginDialog&)> ways[] = {
        [](QtLoginDialog& d) {
            EXPECT_EQ(d.focusWidget()->objectName(), "txtUserName") << "no stored user name";
            for (const auto& [user, password] : {std::pair{"", ""}, {"jsmith", ""}, {" ", " "}}) {
                control<QLineEdit>(d, "txtUserName")->setText(user);
                control<QLineEdit>(d, "txtPassword")->setText(password);
                QTest::mouseClick(control<QPushButton>(d, "cmdOKCancelHelp_0"), Qt::LeftButton);
                if (d.isVisible()) {
                    EXPECT_EQ(d.focusWidget()->objectName(), *user ? "txtPassword" : "txtUserName") << "to the gap";
                }
            }
        },
        [](QtLoginDialog& d) {
            QTest::mouseClick(control<QPushButton>(d, "cmdOKCancelHelp_0"), Qt::LeftButton); // refused: nothing taken
            QTest::mouseClick(control<QPushButton>(d, "cmdOKCancelHelp_1"), Qt::LeftButton);
        },
        [](QtLoginDialog& d) { QTest::keyClick(d.focusWidget(), Qt::Key_Escape); },
        [](QtLoginDialog& d) { d.close(); }};
    for (const auto& way : ways) {
        QtLoginDialog modal(*windows);
        std::optional<Credentials> answer;
        workWhileModal(
            modal,
            [&] {
                EXPECT_FALSE(control(modal, "cmdDetails")->isVisible()) << "no details, no button";
                QTest::keyClicks(control<QLineEdit>(modal, "txtUserName"), "typed");
                way(modal);
            },
            [&] { answer = modal.ask({}, "", ""); });
        EXPECT_EQ(answer.has_value(), &way == &ways[0]);
        if (answer) {
            EXPECT_EQ(answer->userName + "|" + answer->password, " | ");
        }
    }
    ASSERT_EQ(boxes.titles, QStringList({"Login Error Details", "User Name Missing", "Password Missing",
                                           "Password Missing"}));
}

} // namespace
} // namespace ob::test
