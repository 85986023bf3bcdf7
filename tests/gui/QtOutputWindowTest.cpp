// The log window: its lines (WriteLog bounds them through RemoveItem), and printing the log.
#include <gtest/gtest.h>

#include <QDir>
#include <QListWidget>
#include <QScrollBar>
#include <QTemporaryDir>

#include "gui/Operator.h"
#include "gui/qt/QtOutputWindow.h"
#include "gui/qt/QtText.h"

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

} // namespace
} // namespace ob::test
