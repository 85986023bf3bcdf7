#include "gui/qt/QtLoginDialog.h"

#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTabBar>
#include <QTabWidget>

#include "gui/qt/DialogStyle.h"
#include "gui/qt/QtText.h"
#include "gui/qt/Twips.h"
#include "platform/Failure.h"
#include "session/LoginRules.h"
#include "context/Messages.h"
#include "context/WindowSystem.h"

namespace ob::gui {

namespace {

QLabel* makeLabel(QWidget* parent, const char* name, const QString& text, const QRect& geometry)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setGeometry(geometry);
    return label;
}

QLineEdit* makeTextBox(QWidget* parent, const char* name, const QRect& geometry)
{
    auto* box = new QLineEdit(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setGeometry(geometry);
    return box;
}

QPushButton* makeButton(QWidget* parent, const char* name, const QString& caption, const QRect& geometry)
{
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setGeometry(geometry);
    return button;
}

} // namespace

QtLoginDialog::QtLoginDialog(WindowSystem& windows, QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::WindowStaysOnTopHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint)
    , m_windows(windows)
{
    setObjectName(QStringLiteral("QtLoginDialog"));
    setWindowTitle(QStringLiteral("ORBISTA Login"));
    setFont(dialogFont());
    setFixedSize(twipsToPixels(6615), twipsToPixels(4005));

    // The tab strip is drawn behind the frame of its one page; the frame sits
    // on top of it at its own position, as the page of a tab strip does.
    tabSettings = new QTabWidget(this);
    tabSettings->setObjectName(QStringLiteral("tabSettings"));
    tabSettings->setGeometry(twipsRect(120, 120, 5055, 3735));
    tabSettings->setFocusPolicy(Qt::NoFocus);
    tabSettings->tabBar()->setFocusPolicy(Qt::NoFocus);
    tabSettings->addTab(new QWidget, QStringLiteral("Login"));
    tabSettings->tabBar()->setTabData(0, 0); // the tab's tag: the index of its frame

    auto* frame = new QFrame(this);
    frame->setObjectName(QStringLiteral("framSettings_0"));
    frame->setFrameShape(QFrame::NoFrame);
    frame->setGeometry(twipsRect(240, 480, 4815, 3255));
    framSettings.push_back(frame);

    Label1 = makeLabel(frame, "Label1",
                       QStringLiteral("Enter the user name and password to use to connect to the ORBISTA database."),
                       twipsRect(120, 120, 4575, 495));
    Label2 = makeLabel(frame, "Label2", QStringLiteral("User name"), twipsRect(600, 1080, 1935, 255));
    txtUserName = makeTextBox(frame, "txtUserName", twipsRect(600, 1320, 2655, 285));
    Label3 = makeLabel(frame, "Label3", QStringLiteral("Password"), twipsRect(600, 1680, 1935, 255));
    txtPassword = makeTextBox(frame, "txtPassword", twipsRect(600, 1920, 2655, 285));
    txtPassword->setEchoMode(QLineEdit::Password);
    // Every character shows as "*", not as the platform's dot.
    txtPassword->setStyleSheet(QStringLiteral("lineedit-password-character: 42;"));
    lblMessage = makeLabel(frame, "lblMessage", QString(), twipsRect(120, 2400, 4335, 735));
    lblMessage->setFont(dialogFont(true));
    QPalette red = lblMessage->palette();
    red.setColor(QPalette::WindowText, QColor(255, 0, 0));
    lblMessage->setPalette(red);
    cmdDetails = makeButton(frame, "cmdDetails", QStringLiteral("..."), twipsRect(4440, 3000, 375, 255));
    cmdDetails->setAutoDefault(false);

    cmdOK = makeButton(this, "cmdOKCancelHelp_0", QStringLiteral("&OK"), twipsRect(5280, 3000, 1215, 375));
    cmdOK->setDefault(true);
    cmdCancel = makeButton(this, "cmdOKCancelHelp_1", QStringLiteral("&Cancel"), twipsRect(5280, 3480, 1215, 375));
    cmdCancel->setAutoDefault(false);

    setTabOrder(txtUserName, txtPassword);
    setTabOrder(txtPassword, cmdOK);
    setTabOrder(cmdOK, cmdCancel);
    setTabOrder(cmdCancel, cmdDetails);

    txtUserName->installEventFilter(this);
    txtPassword->installEventFilter(this);
    connect(cmdOK, &QPushButton::clicked, this, &QtLoginDialog::okClicked);
    connect(cmdCancel, &QPushButton::clicked, this, &QtLoginDialog::cancelClicked);
    connect(cmdDetails, &QPushButton::clicked, this, &QtLoginDialog::detailsClicked);
    connect(tabSettings->tabBar(), &QTabBar::tabBarClicked, this, [this](int) { applyTabRule(); });

    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        move(screen->availableGeometry().center() - rect().center());
    }
}

void QtLoginDialog::prepare(const Credentials& given, const std::string& message, const std::string& details)
{
    m_given = given;
    m_details = details;
    lblMessage->setText(toQ(message));
}

std::optional<Credentials> QtLoginDialog::ask(const Credentials& given, const std::string& message,
                                              const std::string& details)
{
    prepare(given, message, details);
    m_confirmed.reset();
    if (!m_windows.OperatorDisplayAvailable()) {
        return std::nullopt;
    }
    exec();
    return m_confirmed;
}

void QtLoginDialog::SelectAllText()
{
    if (auto* box = qobject_cast<QLineEdit*>(focusWidget())) {
        box->setSelection(0, static_cast<int>(box->text().size()));
    }
}

void QtLoginDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!m_firstPaintDone) {
        firstPaint();
    }
}

void QtLoginDialog::firstPaint()
{
    m_firstPaintDone = true;
    txtUserName->setText(toQ(m_given.userName));
    txtPassword->setText(toQ(m_given.password));
    cmdDetails->setVisible(!m_details.empty());
    tabSettings->setCurrentIndex(0);
    applyTabRule();
    // Topmost comes with the window flags; the window keeps its place and size.
    QLineEdit* first = txtUserName->text().isEmpty() ? txtUserName : txtPassword;
    first->setFocus(Qt::OtherFocusReason);
    SelectAllText();
}

void QtLoginDialog::applyTabRule()
{
    const int selected = tabSettings->currentIndex();
    const int tag = selected >= 0 ? tabSettings->tabBar()->tabData(selected).toInt() : -1;
    for (std::size_t i = 0; i < framSettings.size(); ++i) {
        framSettings[i]->setVisible(static_cast<int>(i) == tag);
    }
}

void QtLoginDialog::okClicked()
{
    std::string user;
    std::string password;
    try {
        user = fromQ(txtUserName->text());
        password = fromQ(txtPassword->text());
        if (const auto missing = loginOkCheck(user, password)) {
            ShowInfoBox(m_windows, missing->second, missing->first);
            (user.empty() ? txtUserName : txtPassword)->setFocus(Qt::OtherFocusReason);
            SelectAllText();
            return;
        }
    } catch (...) {
        const Failure failure = currentFailure();
        ShowErrorBox(m_windows, "attempting to validate settings", kApplicationTitle, &failure);
        return;
    }
    try {
        m_confirmed = Credentials{user, password};
    } catch (...) {
        const Failure failure = currentFailure();
        ShowErrorBox(m_windows, "attempting to gather settings", kApplicationTitle, &failure);
        return;
    }
    accept();
}

void QtLoginDialog::cancelClicked()
{
    reject();
}

void QtLoginDialog::detailsClicked()
{
    ShowInfoBox(m_windows, m_details, "Login Error Details");
}

// Cancel, Escape and the close box all end here. An operator who closes the
// window has not confirmed anything: taking the close as OK would log in with
// credentials nobody accepted, so it cancels like the Cancel button. What was
// typed is dropped: the caller keeps the values it passed in.
void QtLoginDialog::reject()
{
    m_confirmed.reset();
    QDialog::reject();
}

bool QtLoginDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::FocusIn && (watched == txtUserName || watched == txtPassword)) {
        auto* box = static_cast<QLineEdit*>(watched);
        box->setSelection(0, static_cast<int>(box->text().size()));
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace ob::gui
