#pragma once
// The operator in the GUI tests: answers message boxes, works modal windows, finds controls by name.
#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>
#include <stdexcept>

#include "gui/qt/QtWindowSystem.h"

inline void PrintTo(const QString& s, std::ostream* os)
{
    *os << '"' << s.toStdString() << '"';
}

namespace ob::test {

// While it lives, every message box is read and answered with OK.
class BoxAnswerer {
public:
    BoxAnswerer()
    {
        QObject::connect(&m_timer, &QTimer::timeout, &m_timer, [this] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (box != nullptr && box != m_answered && box->isVisible()) {
                m_answered = box;
                titles << box->windowTitle();
                texts << box->text();
                QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
            }
        });
        m_timer.start(5);
    }
    QStringList titles, texts;

private:
    QTimer m_timer;
    QPointer<QMessageBox> m_answered;
};

// The program's window system with real modal boxes, even offscreen.
inline std::shared_ptr<gui::QtWindowSystem> operatorWindows()
{
    auto windows = std::make_shared<gui::QtWindowSystem>(std::string(), regional::RegionalSettings::enUS(), nullptr);
    windows->forceOperatorDisplay(true);
    return windows;
}

// Shows `window` modal (through `showModal`, by default its ShowModal()) and runs `actions` once it is up;
// one left open hangs until ctest's time-out.
template <class Window>
void workWhileModal(Window& window, const std::function<void()>& actions,
                    const std::function<void()>& showModal = nullptr)
{
    QTimer::singleShot(0, &window, [&window, actions] {
        if (QTest::qWaitForWindowExposed(&window)) {
            actions();
        }
    });
    if constexpr (requires { window.ShowModal(); }) {
        showModal ? showModal() : window.ShowModal();
    } else {
        showModal();
    }
}

// The child called `name`, or a test failure.
template <class T = QWidget> T* control(const QObject& parent, const char* name)
{
    if (T* found = parent.findChild<T*>(QString::fromLatin1(name))) {
        return found;
    }
    throw std::runtime_error(std::string("no control ") + name);
}

// Lets queued work (posted events, zero timers) run.
inline void settle()
{
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
}

} // namespace ob::test
