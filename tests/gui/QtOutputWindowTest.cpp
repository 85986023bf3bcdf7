// The log window: its lines (WriteLog bounds them through RemoveItem), and printing the log.
#include <gtest/gtest.h>

#include <QDir>
#include <QHelpEvent>
#include <QListWidget>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QToolTip>

#include "context/Log.h"
#include "gui/Operator.h"
#include "gui/qt/QtOutputWindow.h"
#include "gui/qt/QtText.h"
#include "platform/system/Clock.h"

namespace ob::test {
namespace {

using gui::QtOutputWindow;

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
    EXPECT_EQ(window.windowTitle(), "OB32PYII Output");
    QListWidget* list = window.list();
    const QRect rect = list->visualItemRect(list->item(0));
    EXPECT_GE(rect.width(), list->fontMetrics().horizontalAdvance(longLine));
    EXPECT_GT(list->horizontalScrollBar()->maximum(), 0);
    QHelpEvent hover(QEvent::ToolTip, rect.center(), list->viewport()->mapToGlobal(rect.center()));
    QApplication::sendEvent(list->viewport(), &hover);
    EXPECT_EQ(QToolTip::text(), longLine);
    QToolTip::hideText();
    window.RemoveItem(1);
    EXPECT_EQ(list->item(1)->text() + "|" + QString::number(list->count()), "line 2|150") << "that line only";
    window.SetListIndex(149);
    EXPECT_EQ(list->currentRow(), 149) << "WriteLog selects the newest line";
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, QPoint(10, 10));
    const QString pdf = QDir::toNativeSeparators(dir.filePath("OB32PYII-log.pdf"));
    QFile file(pdf);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << pdf.toStdString();
    EXPECT_GE(file.readAll().count("/Type /Page\n"), 2) << "as many pages as it takes";
    EXPECT_EQ(list->count(), 151);
    EXPECT_EQ(list->item(150)->text(), "No printer is installed: the log was printed to " + pdf);
}

// The printer line is support's record of where the log went: it reaches the log file as well as the window.
TEST(QtOutputWindow, thePrinterLineReachesTheLogFile)
{
    QTemporaryDir dir;
    const auto windows = operatorWindows(gui::fromQ(dir.path()));
    const SystemClock clock;
    const auto regional = regional::RegionalSettings::enUS();
    const std::string path = gui::fromQ(dir.filePath("OB32PYII.txt"));
    {
        Log log(*windows, clock, regional);
        log.openWindow();
        log.openFile(path);
        log.WriteLog("Creating action timer...");
        auto* window = dynamic_cast<QtOutputWindow*>(log.window());
        ASSERT_NE(window, nullptr);
        window->setPrinterProbe([] { return false; });
        window->PrintLog();
        EXPECT_EQ(window->list()->count(), 2) << "shown once";
        log.closeFile();
    }
    QFile file(gui::toQ(path));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(file.readAll()).split("\r\n", Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 2);
    EXPECT_TRUE(lines[1].endsWith("\tNo printer is installed: the log was printed to " +
                                  QDir::toNativeSeparators(dir.filePath("OB32PYII-log.pdf"))))
        << lines[1].toStdString();
}

} // namespace
} // namespace ob::test
