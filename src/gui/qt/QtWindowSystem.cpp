#include "gui/qt/QtWindowSystem.h"

#include <QApplication>
#include <QEventLoop>
#include <QMessageBox>
#include <QSocketNotifier>

#include <iostream>

#include "gui/qt/QtSubTimer.h"
#include "gui/qt/QtText.h"
#include "gui/qt/QtLoginDialog.h"
#include "gui/qt/QtOutputWindow.h"
#include "gui/qt/QtRequiredFieldsEditor.h"
#include "platform/system/FolderWatch.h"

namespace ob::gui {

namespace {

// Message texts break lines with CR (and CR LF); a Qt label breaks on LF.
QString displayText(const std::string& text)
{
    QString out = toQ(text);
    out.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    out.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return out;
}

class QtFileWatch final : public FileWatch {
public:
    QtFileWatch(std::unique_ptr<sys::FolderWatch> watch, std::function<void()> onChange)
        : m_watch(std::move(watch))
        , m_notifier(static_cast<qintptr>(m_watch->handle()), QSocketNotifier::Read)
    {
        QObject::connect(&m_notifier, &QSocketNotifier::activated, &m_notifier,
                         [this, onChange = std::move(onChange)] {
                             if (m_watch->consume() && onChange)
                                 onChange();
                         });
    }

private:
    std::unique_ptr<sys::FolderWatch> m_watch;
    QSocketNotifier m_notifier;
};

} // namespace

std::unique_ptr<FileWatch> QtWindowSystem::WatchFile(const std::string& path, std::function<void()> onChange,
                                                     std::string& why)
{
    auto watch = std::make_unique<sys::FolderWatch>(path);
    if (!watch->started()) {
        why = watch->error();
        return nullptr;
    }
    return std::make_unique<QtFileWatch>(std::move(watch), std::move(onChange));
}

QtWindowSystem::QtWindowSystem(std::string windowsFolder, regional::RegionalSettings regional,
                               std::shared_ptr<const Clock> clock)
    : m_windowsFolder(std::move(windowsFolder))
    , m_regional(std::move(regional))
    , m_clock(std::move(clock))
{
}

void QtWindowSystem::DoEvents()
{
    QCoreApplication::processEvents();
}

// Sleeps in the event dispatcher until something arrives (a timer tick, input),
// so the wait loop costs no processor time.
void QtWindowSystem::WaitForEvents()
{
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

void QtWindowSystem::Beep()
{
    QApplication::beep();
}

void QtWindowSystem::RestoreDefaultPointer()
{
    while (QGuiApplication::overrideCursor() != nullptr) {
        QGuiApplication::restoreOverrideCursor();
    }
}

void QtWindowSystem::MessageBox(const std::string& text, const std::string& title, MessageIcon icon)
{
    if (!OperatorDisplayAvailable()) {
        std::cerr << title << ": " << text << '\n';
        return;
    }
    // Owned by the open modal dialog, if any, so that it shows above that
    // topmost window.
    QMessageBox box(icon == MessageIcon::Critical ? QMessageBox::Critical : QMessageBox::Information, toQ(title),
                    displayText(text), QMessageBox::Ok, QApplication::activeModalWidget());
    box.setObjectName(QStringLiteral("obMessageBox"));
    box.setWindowModality(Qt::ApplicationModal);
    box.setWindowFlag(Qt::WindowStaysOnTopHint, true);
    box.exec();
}

bool QtWindowSystem::OperatorDisplayAvailable() const
{
    if (m_forcedDisplay) {
        return *m_forcedDisplay;
    }
    const QString platform = QGuiApplication::platformName();
    return platform != QLatin1String("offscreen") && platform != QLatin1String("minimal");
}

std::unique_ptr<OutputWindow> QtWindowSystem::CreateOutputWindow()
{
    return std::make_unique<QtOutputWindow>(m_windowsFolder);
}

std::unique_ptr<SubTimer> QtWindowSystem::CreateTimer()
{
    return std::make_unique<QtSubTimer>();
}

std::unique_ptr<LoginDialog> QtWindowSystem::CreateLoginDialog()
{
    return std::make_unique<QtLoginDialog>(*this);
}

std::unique_ptr<RequiredFieldsEditor> QtWindowSystem::CreateReqFieldsEditor()
{
    const int year = m_clock ? m_clock->now().year : SystemClock().now().year;
    return std::make_unique<QtRequiredFieldsEditor>(*this, m_regional, year);
}

} // namespace ob::gui
