#include "gui/Operator.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QTest>

#include <algorithm>

namespace ob::test {

BoxAnswerer::BoxAnswerer()
{
    QObject::connect(&m_timer, &QTimer::timeout, &m_timer, [this] { answer(); });
    m_timer.start(5);
}

BoxAnswerer::~BoxAnswerer()
{
    m_timer.stop();
}

QStringList BoxAnswerer::titles() const
{
    QStringList out;
    for (const SeenBox& box : boxes) {
        out << box.title;
    }
    return out;
}

void BoxAnswerer::answer()
{
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget* window : windows) {
        auto* box = qobject_cast<QMessageBox*>(window);
        if (box == nullptr || !box->isVisible()) {
            continue;
        }
        const bool seen = std::any_of(m_answered.begin(), m_answered.end(),
                                      [box](const QPointer<QMessageBox>& p) { return p.data() == box; });
        if (seen) {
            continue;
        }
        m_answered.emplace_back(box);
        boxes.push_back(SeenBox{box->windowTitle(), box->text(), box->icon() == QMessageBox::Critical});
        if (onBox) {
            onBox(boxes.back());
        }
        if (QAbstractButton* ok = box->button(QMessageBox::Ok)) {
            QTest::mouseClick(ok, Qt::LeftButton);
        } else {
            box->reject();
        }
    }
}

std::shared_ptr<gui::QtWindowSystem> operatorWindows(const std::string& windowsFolder,
                                                     regional::RegionalSettings regional)
{
    auto windows = std::make_shared<gui::QtWindowSystem>(windowsFolder, std::move(regional), nullptr);
    windows->forceOperatorDisplay(true);
    return windows;
}

bool workWhileModal(QWidget& window, const std::function<void()>& showModal, const std::function<void()>& actions)
{
    bool hung = false;
    QPointer<QWidget> guarded(&window);
    QTimer::singleShot(0, &window, [guarded, actions] {
        if (guarded && QTest::qWaitForWindowExposed(guarded.data())) {
            actions();
        }
    });
    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, &watchdog, [guarded, &hung] {
        hung = true;
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible()) {
                box->reject();
            }
        }
        if (guarded) {
            guarded->hide();
        }
    });
    watchdog.start(20000);
    showModal();
    return !hung;
}

void settle()
{
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::processEvents();
    }
}

std::string caseName(std::initializer_list<std::string> parts)
{
    std::string out;
    for (const std::string& part : parts) {
        if (!out.empty()) {
            out += '_';
        }
        for (const char ch : part) {
            const bool plain = (ch >= 'a' && ch <= 'z') || (ch >= 'A' && ch <= 'Z') || (ch >= '0' && ch <= '9');
            out += plain ? ch : '_';
        }
    }
    return out;
}

} // namespace ob::test
