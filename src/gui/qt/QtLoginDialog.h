#pragma once
// QtLoginDialog: "ORBISTA Login", the modal dialog that asks the operator for a
// user name and password.

#include <QDialog>

#include <optional>
#include <string>
#include <vector>

#include "session/LoginDialog.h"

class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;

namespace ob {
class WindowSystem;
}

namespace ob::gui {

class QtLoginDialog final : public QDialog, public LoginDialog {
    Q_OBJECT

public:
    // Message boxes go through `windows`.
    explicit QtLoginDialog(WindowSystem& windows, QWidget* parent = nullptr);

    // prepare(), then exec(); with no operator display the dialog is answered at once as Cancel.
    std::optional<Credentials> ask(const Credentials& given, const std::string& message,
                                   const std::string& details) override;
    // What the dialog shows when it first appears.
    void prepare(const Credentials& given, const std::string& message, const std::string& details);
    // Selects the whole text of the text box that has the focus.
    void SelectAllText();

protected:
    void showEvent(QShowEvent* event) override;
    void reject() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void firstPaint();
    void applyTabRule();
    void okClicked();
    void cancelClicked();
    void detailsClicked();

    WindowSystem& m_windows;
    bool m_firstPaintDone = false;
    Credentials m_given;
    std::string m_details;
    std::optional<Credentials> m_confirmed; // set by OK

    QTabWidget* tabSettings;
    std::vector<QFrame*> framSettings;
    QLabel* Label1;
    QLabel* Label2;
    QLineEdit* txtUserName;
    QLabel* Label3;
    QLineEdit* txtPassword;
    QLabel* lblMessage;
    QPushButton* cmdDetails;
    QPushButton* cmdOK;     // cmdOKCancelHelp(0)
    QPushButton* cmdCancel; // cmdOKCancelHelp(1)
};

} // namespace ob::gui
