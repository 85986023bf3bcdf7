#pragma once
// The operator in the GUI tests: answers the program's message boxes, works a
// modal window while it is open, and finds controls by object name.

#include <QPointer>
#include <QRect>
#include <QSize>
#include <QString>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <initializer_list>
#include <memory>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "gui/qt/QtWindowSystem.h"

class QDialog;
class QMessageBox;

// Readable values in GoogleTest's messages.
inline void PrintTo(const QRect& r, std::ostream* os)
{
    *os << "QRect(" << r.x() << ", " << r.y() << ", " << r.width() << "x" << r.height() << ")";
}
inline void PrintTo(const QSize& s, std::ostream* os)
{
    *os << "QSize(" << s.width() << "x" << s.height() << ")";
}
inline void PrintTo(const QString& s, std::ostream* os)
{
    *os << '"' << s.toStdString() << '"';
}

namespace ob::test {

struct SeenBox {
    QString title;
    QString text;
    bool critical = false;
};

// While it lives, every message box the program opens is read and answered
// with OK. `onBox` runs while the box is still up, so a test can look at the
// windows behind it as the operator sees them.
class BoxAnswerer {
public:
    BoxAnswerer();
    ~BoxAnswerer();
    BoxAnswerer(const BoxAnswerer&) = delete;
    BoxAnswerer& operator=(const BoxAnswerer&) = delete;

    std::vector<SeenBox> boxes;
    std::function<void(const SeenBox&)> onBox;

    QStringList titles() const;

private:
    void answer();
    QTimer m_timer;
    std::vector<QPointer<QMessageBox>> m_answered;
};

// The program's window system with real modal boxes, even on the offscreen
// platform. No Clock: the editor's dates complete with the current year.
std::shared_ptr<gui::QtWindowSystem> operatorWindows(
    const std::string& windowsFolder = {}, regional::RegionalSettings regional = regional::RegionalSettings::enUS());

// Calls `showModal` (which blocks in the window's modal loop) and runs
// `actions` once `window` is up. A window still open 20 s later is hidden so
// that the test fails instead of hanging; the result says whether that happened.
bool workWhileModal(QWidget& window, const std::function<void()>& showModal, const std::function<void()>& actions);

// The child called `name`, or a test failure.
template <class T> T* control(const QObject& parent, const char* name)
{
    T* found = parent.findChild<T*>(QString::fromLatin1(name));
    if (found == nullptr) {
        throw std::runtime_error(std::string("no control ") + name);
    }
    return found;
}

// Lets queued work (posted events, zero timers) run.
void settle();

// A name for a table row, in letters, digits and "_" only, as test runners
// like them: caseName({"TIME", "7:5 pm"}) is "TIME_7_5_pm".
std::string caseName(std::initializer_list<std::string> parts);

} // namespace ob::test
