// The log window: its bound, long lines, and printing the log.
#include <gtest/gtest.h>

#include <algorithm>

#include <QDir>
#include <QHelpEvent>
#include <QListWidget>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QToolTip>

#include "context/Environment.h"
#include "gui/Operator.h"
#include "gui/qt/QtOutputWindow.h"
#include "gui/qt/QtText.h"
#include "link/Link.h"

namespace ob::test {
namespace {

using gui::QtOutputWindow;

// The bound lives in WriteLog; here the real window drops its oldest line and selects the newest.
TEST(QtOutputWindow, keepsAtMost32001LinesDroppingTheOldestFirst)
{
    QTemporaryDir dir;
    Environment env;
    env.windowsFolder = env.programFolder = gui::fromQ(dir.path());
    env.clock = std::make_shared<SystemClock>();
    env.windows = operatorWindows(env.windowsFolder);
    Link link(env);
    const auto top = QApplication::topLevelWidgets();
    const auto found =
        std::find_if(top.begin(), top.end(), [](QWidget* w) { return qobject_cast<QtOutputWindow*>(w); });
    ASSERT_NE(found, top.end());
    EXPECT_EQ((*found)->windowTitle(), "OB32PYII Output");
    QListWidget* list = qobject_cast<QtOutputWindow*>(*found)->list();
    const QString second = list->item(1)->text();
    while (list->count() < 32001) {
        link.context().WriteLog("line");
    }
    link.context().WriteLog("one more");
    EXPECT_EQ(list->item(0)->text(), second);
    EXPECT_EQ(list->item(32000)->text(), "one more");
    EXPECT_EQ(list->currentRow(), 32000);
}

// A statement or an error text is read on screen: long lines scroll sideways rather than being cut,
// and show whole on hover. A double-click prints the log; without a printer, to a PDF beside it.
TEST(QtOutputWindow, showsLongLinesWholeAndPrintsToPdfWithoutAPrinter)
{
    QTemporaryDir dir;
    QtOutputWindow window(gui::fromQ(dir.path()));
    window.setPrinterProbe([] { return false; });
    const QString longLine = "INSERT INTO CALS (C2401) VALUES (" + QString("'a value', ").repeated(40) + "'last')";
    window.AddItem(gui::fromQ(longLine));
    for (int i = 1; i <= 150; ++i) {
        window.AddItem("line " + std::to_string(i));
    }
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    QListWidget* list = window.list();
    const QRect rect = list->visualItemRect(list->item(0));
    EXPECT_GE(rect.width(), list->fontMetrics().horizontalAdvance(longLine));
    EXPECT_GT(list->horizontalScrollBar()->maximum(), 0);
    QHelpEvent hover(QEvent::ToolTip, rect.center(), list->viewport()->mapToGlobal(rect.center()));
    QApplication::sendEvent(list->viewport(), &hover);
    EXPECT_EQ(QToolTip::text(), longLine);
    QToolTip::hideText();
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, QPoint(10, 10));
    const QString pdf = QDir::toNativeSeparators(dir.filePath("OB32PYII-log.pdf"));
    QFile file(pdf);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << pdf.toStdString();
    EXPECT_GE(file.readAll().count("/Type /Page\n"), 2) << "as many pages as it takes";
    EXPECT_EQ(list->count(), 152);
    EXPECT_EQ(list->item(151)->text(), "No printer is installed: the log was printed to " + pdf);
}

} // namespace
} // namespace ob::test
