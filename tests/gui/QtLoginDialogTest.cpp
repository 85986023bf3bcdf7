// The login dialog driven like an operator: what it shows, how OK checks the
// entries, and what Cancel and the close box give back.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QTest>

#include "gui/Operator.h"
#include "gui/qt/QtLoginDialog.h"

namespace ob::test {
namespace {

using gui::QtLoginDialog;

class LoginDialogTest : public testing::Test {
protected:
    // Shown as the caller shows it, but not modal, so the test can look on.
    void open(const std::string& user, const std::string& password, const std::string& details = {})
    {
        dialog.sUserName = user;
        dialog.sPassword = password;
        dialog.sDetails = details;
        dialog.show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    }
    template <class T> T* get(const char* name) { return control<T>(dialog, name); }
    QLineEdit* userBox() { return get<QLineEdit>("txtUserName"); }
    QLineEdit* passwordBox() { return get<QLineEdit>("txtPassword"); }
    QPushButton* okButton() { return get<QPushButton>("cmdOKCancelHelp_0"); }
    QPushButton* cancelButton() { return get<QPushButton>("cmdOKCancelHelp_1"); }
    static void retype(QLineEdit* box, const QString& text)
    {
        box->clear();
        QTest::keyClicks(box, text);
    }

    std::shared_ptr<gui::QtWindowSystem> windows = operatorWindows();
    BoxAnswerer boxes;
    QtLoginDialog dialog{*windows};
};

struct Placed {
    const char* name;
    const char* text; // nullptr: a text box
    QRect twips;      // left, top, width, height
};

// Positions in twips, 15 to a pixel.
QRect pixels(const QRect& twips)
{
    return QRect(twips.x() / 15, twips.y() / 15, twips.width() / 15, twips.height() / 15);
}

TEST_F(LoginDialogTest, showsItsCaptionControlsAndTexts)
{
    open("", "");
    EXPECT_EQ(dialog.windowTitle(), "ORBISTA Login");
    EXPECT_EQ(dialog.size(), QSize(6615 / 15, 4005 / 15));
    EXPECT_EQ(dialog.minimumSize(), dialog.maximumSize()) << "fixed dialog border";
    const Qt::WindowFlags flags = dialog.windowFlags();
    EXPECT_FALSE(flags & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(flags & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(flags & Qt::WindowType_Mask, Qt::Tool) << "no task-bar entry";
    const QPoint offCentre = dialog.frameGeometry().center() - dialog.screen()->availableGeometry().center();
    EXPECT_LE(offCentre.manhattanLength(), 8) << "opens centred on the screen, to within its frame";

    auto* tabs = get<QTabWidget>("tabSettings");
    ASSERT_EQ(tabs->count(), 1);
    EXPECT_EQ(tabs->tabText(0), "Login");
    EXPECT_EQ(tabs->geometry(), pixels({120, 120, 5055, 3735}));
    auto* frame = get<QWidget>("framSettings_0");
    EXPECT_TRUE(frame->isVisible()) << "the tab's frame is shown";
    EXPECT_EQ(frame->geometry(), pixels({240, 480, 4815, 3255}));

    const Placed controls[] = {
        {"Label1",
         "Enter the user name and password to use to connect to the ORBISTA database.",
         {120, 120, 4575, 495}},
        {"Label2", "User name", {600, 1080, 1935, 255}},
        {"txtUserName", nullptr, {600, 1320, 2655, 285}},
        {"Label3", "Password", {600, 1680, 1935, 255}},
        {"txtPassword", nullptr, {600, 1920, 2655, 285}},
        {"lblMessage", "", {120, 2400, 4335, 735}},
        {"cmdDetails", "...", {4440, 3000, 375, 255}},
        {"cmdOKCancelHelp_0", "&OK", {5280, 3000, 1215, 375}},
        {"cmdOKCancelHelp_1", "&Cancel", {5280, 3480, 1215, 375}},
    };
    for (const Placed& c : controls) {
        SCOPED_TRACE(c.name);
        QWidget* w = get<QWidget>(c.name);
        EXPECT_EQ(w->geometry(), pixels(c.twips));
        const bool inFrame = QByteArray(c.name).startsWith("cmdOK") == false;
        EXPECT_EQ(w->parentWidget() == frame, inFrame);
        if (c.text == nullptr) {
            EXPECT_NE(qobject_cast<QLineEdit*>(w), nullptr);
        } else if (auto* label = qobject_cast<QLabel*>(w)) {
            EXPECT_EQ(label->text(), QString::fromUtf8(c.text));
        } else {
            ASSERT_NE(qobject_cast<QPushButton*>(w), nullptr);
            EXPECT_EQ(static_cast<QPushButton*>(w)->text(), QString::fromUtf8(c.text));
        }
    }
    EXPECT_TRUE(okButton()->isDefault()) << "Enter presses OK";
}

TEST_F(LoginDialogTest, messageIsBoldPureRed)
{
    dialog.setMessage("The specified login credentials failed - enter valid credentials and make sure database "
                      "server is running");
    open("jsmith", "");
    auto* message = get<QLabel>("lblMessage");
    EXPECT_EQ(message->text(), "The specified login credentials failed - enter valid credentials and make sure "
                               "database server is running");
    EXPECT_EQ(message->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    EXPECT_TRUE(message->font().bold());
    EXPECT_DOUBLE_EQ(message->font().pointSizeF(), 8.25);
}

TEST_F(LoginDialogTest, passwordShowsOnlyStars)
{
    open("jsmith", "s3cr3t");
    EXPECT_EQ(passwordBox()->text(), "s3cr3t");
    EXPECT_EQ(passwordBox()->displayText(), "******");
    passwordBox()->end(false);
    QTest::keyClicks(passwordBox(), "x!");
    EXPECT_EQ(passwordBox()->displayText(), "********");
    EXPECT_EQ(userBox()->displayText(), "jsmith");
}

TEST_F(LoginDialogTest, storedUserNameSendsTheFocusToThePasswordWithItsTextSelected)
{
    open("jsmith", "old");
    EXPECT_EQ(userBox()->text(), "jsmith");
    EXPECT_EQ(dialog.focusWidget(), passwordBox());
    EXPECT_EQ(passwordBox()->selectedText(), "old");
}

TEST_F(LoginDialogTest, withoutUserNameTheFocusIsInTheUserNameBox)
{
    open("", "pw");
    EXPECT_EQ(dialog.focusWidget(), userBox());
}

TEST_F(LoginDialogTest, tabOrderRunsFromUserNameToTheDetailsButton)
{
    open("", "", "details");
    QStringList order;
    for (int i = 0; i < 5; ++i) {
        order << QApplication::focusWidget()->objectName();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    EXPECT_EQ(order,
              QStringList({"txtUserName", "txtPassword", "cmdOKCancelHelp_0", "cmdOKCancelHelp_1", "cmdDetails"}));
}

struct DetailsCase {
    const char* details;
    bool shown;
};

class LoginDetails : public LoginDialogTest, public testing::WithParamInterface<DetailsCase> { };

TEST_P(LoginDetails, buttonOnlyWithDetailsAndItShowsThem)
{
    open("jsmith", "", GetParam().details);
    auto* details = get<QPushButton>("cmdDetails");
    EXPECT_EQ(details->isVisible(), GetParam().shown);
    if (!GetParam().shown) {
        return;
    }
    QTest::mouseClick(details, Qt::LeftButton);
    ASSERT_EQ(boxes.boxes.size(), 1U);
    EXPECT_EQ(boxes.boxes[0].title, "Login Error Details");
    EXPECT_EQ(boxes.boxes[0].text, QString::fromUtf8(GetParam().details));
    EXPECT_FALSE(boxes.boxes[0].critical);
    EXPECT_TRUE(dialog.isVisible()) << "the dialog stays open";
}

INSTANTIATE_TEST_SUITE_P(Details, LoginDetails,
                         testing::Values(DetailsCase{"", false},
                                         DetailsCase{"[unixODBC]connection refused [08001] [psqlODBC]", true}));

struct OkCase {
    const char* user;
    const char* password;
    const char* title; // nullptr: accepted
    const char* text;
    const char* focus;
};

class LoginOk : public LoginDialogTest, public testing::WithParamInterface<OkCase> { };

TEST_P(LoginOk, checksTheUserNameBeforeThePassword)
{
    const OkCase& c = GetParam();
    open("", "");
    QTest::keyClicks(userBox(), c.user);
    QTest::keyClicks(passwordBox(), c.password);
    QTest::mouseClick(okButton(), Qt::LeftButton);
    if (c.title == nullptr) {
        EXPECT_TRUE(boxes.boxes.empty());
        EXPECT_FALSE(dialog.isVisible());
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
        EXPECT_FALSE(dialog.bCancel);
        EXPECT_EQ(dialog.sUserName, c.user);
        EXPECT_EQ(dialog.sPassword, c.password);
        return;
    }
    ASSERT_EQ(boxes.titles(), QStringList{c.title}) << "one box per press";
    EXPECT_EQ(boxes.boxes[0].text, c.text);
    EXPECT_FALSE(boxes.boxes[0].critical);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.focusWidget()->objectName(), c.focus);
    EXPECT_EQ(dialog.sUserName, "") << "nothing is taken over";
}

INSTANTIATE_TEST_SUITE_P(
    Entries, LoginOk,
    testing::Values(OkCase{"", "", "User Name Missing", "Enter the user name to use to login to the ORBISTA database.",
                           "txtUserName"},
                    OkCase{"", "pw", "User Name Missing",
                           "Enter the user name to use to login to the ORBISTA database.", "txtUserName"},
                    OkCase{"jsmith", "", "Password Missing",
                           "Enter the password to use to login to the ORBISTA database.", "txtPassword"},
                    OkCase{" ", " ", nullptr, nullptr, nullptr}, OkCase{"jsmith", "pw", nullptr, nullptr, nullptr}));

// The whole exchange as GetLoginInfo runs it: modal, answered by the operator.
TEST_F(LoginDialogTest, okInTheModalDialogReturnsWhatWasTyped)
{
    dialog.sUserName = "stored";
    dialog.sPassword = "";
    const bool finished = workWhileModal(
        dialog, [&] { dialog.ShowModal(); },
        [&] {
            QTest::mouseClick(okButton(), Qt::LeftButton); // Password Missing
            retype(userBox(), "jsmith");
            QTest::keyClicks(passwordBox(), "pw");
            QTest::keyClick(passwordBox(), Qt::Key_Return);
        });
    ASSERT_TRUE(finished);
    EXPECT_EQ(boxes.titles(), QStringList{"Password Missing"});
    EXPECT_FALSE(dialog.bCancel);
    EXPECT_EQ(dialog.sUserName, "jsmith");
    EXPECT_EQ(dialog.sPassword, "pw");
}

struct CancelCase {
    const char* how;
    std::function<void(QtLoginDialog&)> press;
};

class LoginCancel : public LoginDialogTest, public testing::WithParamInterface<CancelCase> { };

// Cancel, Escape and the close box give the caller what it passed in, with
// bCancel set: closing the window is not a confirmation.
TEST_P(LoginCancel, dropsWhatWasTyped)
{
    dialog.sUserName = "stored";
    dialog.sPassword = "storedpw";
    const bool finished = workWhileModal(
        dialog, [&] { dialog.ShowModal(); },
        [&] {
            retype(userBox(), "someone");
            retype(passwordBox(), "else");
            GetParam().press(dialog);
        });
    ASSERT_TRUE(finished);
    EXPECT_TRUE(boxes.boxes.empty());
    EXPECT_TRUE(dialog.bCancel);
    EXPECT_EQ(dialog.sUserName, "stored");
    EXPECT_EQ(dialog.sPassword, "storedpw");
}

INSTANTIATE_TEST_SUITE_P(
    Ways, LoginCancel,
    testing::Values(CancelCase{"CancelButton",
                               [](QtLoginDialog& d) {
                                   QTest::mouseClick(control<QPushButton>(d, "cmdOKCancelHelp_1"), Qt::LeftButton);
                               }},
                    CancelCase{"Escape",
                               [](QtLoginDialog& d) {
                                   QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : &d,
                                                   Qt::Key_Escape);
                               }},
                    CancelCase{"CloseBox", [](QtLoginDialog& d) { d.close(); }}),
    [](const testing::TestParamInfo<CancelCase>& info) { return std::string(info.param.how); });

TEST_F(LoginDialogTest, withoutAnOperatorDisplayItIsAnsweredAsCancel)
{
    windows->forceOperatorDisplay(false);
    dialog.sUserName = "stored";
    dialog.ShowModal();
    EXPECT_TRUE(dialog.bCancel);
    EXPECT_EQ(dialog.sUserName, "stored");
    EXPECT_FALSE(dialog.isVisible());
}

} // namespace
} // namespace ob::test
