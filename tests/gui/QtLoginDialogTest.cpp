// The login dialog driven like an operator: what each way out gives back.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>

#include "gui/Operator.h"
#include "gui/qt/QtLoginDialog.h"

namespace ob::test {
namespace {

using gui::QtLoginDialog;

// Modal, as the login runs it. OK names the missing entry, the user name first, and then gives exactly what
// was typed (blanks count). Cancel, Escape and the close box give nothing, whatever was typed.
TEST(QtLoginDialog, onlyOkWithBothEntriesGivesWhatWasTyped)
{
    const auto windows = operatorWindows();
    const auto click = [](QtLoginDialog& d, const char* button) {
        QTest::mouseClick(control<QPushButton>(d, button), Qt::LeftButton);
    };
    const std::function<void(QtLoginDialog&)> ways[] = {
        [&](QtLoginDialog& d) { click(d, "cmdOKCancelHelp_0"); },
        [&](QtLoginDialog& d) { click(d, "cmdOKCancelHelp_1"); },
        [](QtLoginDialog& d) { QTest::keyClick(d.focusWidget(), Qt::Key_Escape); },
        [](QtLoginDialog& d) { d.close(); }};
    for (const auto& way : ways) {
        SCOPED_TRACE(&way - ways);
        BoxAnswerer boxes;
        QtLoginDialog dialog(*windows);
        std::optional<Credentials> answer;
        workWhileModal(
            dialog,
            [&] {
                click(dialog, "cmdOKCancelHelp_0");
                QTest::keyClicks(control<QLineEdit>(dialog, "txtUserName"), " ");
                click(dialog, "cmdOKCancelHelp_0");
                QTest::keyClicks(control<QLineEdit>(dialog, "txtPassword"), "p'w ");
                way(dialog);
            },
            [&] { answer = dialog.ask({}, "", ""); });
        EXPECT_EQ(answer ? answer->userName + "|" + answer->password : "no answer",
                  &way == &ways[0] ? " |p'w " : "no answer");
        EXPECT_EQ(boxes.titles, QStringList({"User Name Missing", "Password Missing"}));
    }
    // The credentials given are shown, the password masked, and OK gives them back as they stand.
    QtLoginDialog dialog(*windows);
    std::optional<Credentials> answer;
    workWhileModal(
        dialog,
        [&] {
            EXPECT_EQ(control<QLineEdit>(dialog, "txtUserName")->displayText() + "|" +
                          control<QLineEdit>(dialog, "txtPassword")->displayText(),
                      "jsmith|******");
            click(dialog, "cmdOKCancelHelp_0");
        },
        [&] { answer = dialog.ask({"jsmith", "secret"}, "", ""); });
    EXPECT_EQ(answer ? answer->userName + "|" + answer->password : "no answer", "jsmith|secret");
}

} // namespace
} // namespace ob::test
