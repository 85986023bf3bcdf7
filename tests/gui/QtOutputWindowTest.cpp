// The log window: its bound, long lines, and printing the log.
#include <gtest/gtest.h>

#include <QDir>
#include <QHelpEvent>
#include <QListWidget>
#include <QPaintEngine>
#include <QPrintEngine>
#include <QPrinter>
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

// The bound lives in WriteLog; driven here through the real window.
TEST(QtOutputWindow, keepsAtMost32001LinesDroppingTheOldestFirst)
{
    QTemporaryDir dir;
    Environment env;
    env.windowsFolder = env.programFolder = gui::fromQ(dir.path());
    env.clock = std::make_shared<SystemClock>();
    env.windows = operatorWindows(env.windowsFolder);
    Link link(env);
    QtOutputWindow* window = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        window = window ? window : qobject_cast<QtOutputWindow*>(w);
    }
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->windowTitle(), "OB32PYII Output");
    QListWidget* list = window->list();
    const QString second = list->item(1)->text();
    for (int written = 0; list->count() < 32001; ++written) {
        link.WriteLog("line " + std::to_string(written));
    }
    EXPECT_EQ(list->item(0)->text(), "Creating FileSystemObject...") << "nothing is dropped before the list is full";
    link.WriteLog("one more");
    EXPECT_EQ(list->item(0)->text(), second);
    link.WriteLog("and another");
    EXPECT_EQ(list->count(), 32001);
    EXPECT_EQ(list->item(32000)->text(), "and another");
    EXPECT_EQ(list->currentRow(), 32000) << "the newest line is selected";
}

// A statement or an error text is read on screen: long lines scroll sideways rather than being cut,
// and show whole on hover.
TEST(QtOutputWindow, showsLongLinesWhole)
{
    QtOutputWindow window("");
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    QListWidget* list = window.list();
    const QString longLine = "INSERT INTO CALS (C2401) VALUES (" + QString("'a value', ").repeated(40) + "'last')";
    window.AddItem(gui::fromQ(longLine));
    settle();
    const QRect rect = list->visualItemRect(list->item(0));
    EXPECT_GE(rect.width(), list->fontMetrics().horizontalAdvance(longLine));
    EXPECT_GT(list->horizontalScrollBar()->maximum(), 0);
    QHelpEvent hover(QEvent::ToolTip, rect.center(), list->viewport()->mapToGlobal(rect.center()));
    QApplication::sendEvent(list->viewport(), &hover);
    EXPECT_EQ(QToolTip::text(), longLine);
    QToolTip::hideText();
}

// A printer of 400 x 300 point pages that records the text drawn on them.
class RecordingEngine final : public QPaintEngine, public QPrintEngine {
public:
    bool begin(QPaintDevice*) override { return true; }
    bool end() override { return ended = true; }
    void updateState(const QPaintEngineState&) override { }
    void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override { }
    void drawTextItem(const QPointF&, const QTextItem& item) override { printed << item.text(); }
    Type type() const override { return QPaintEngine::User; }
    void setProperty(PrintEnginePropertyKey, const QVariant&) override { }
    QVariant property(PrintEnginePropertyKey) const override { return {}; }
    bool newPage() override { return ++pages > 0; }
    bool abort() override { return false; }
    QPrinter::PrinterState printerState() const override { return QPrinter::Active; }
    int metric(QPaintDevice::PaintDeviceMetric m) const override
    {
        return m == QPaintDevice::PdmWidth ? 400 : m == QPaintDevice::PdmHeight ? 300 : m == QPaintDevice::PdmDepth ? 32
               : m == QPaintDevice::PdmDevicePixelRatioScaled ? int(QPaintDevice::devicePixelRatioFScale())
               : m == QPaintDevice::PdmDevicePixelRatio       ? 1
                                                              : 72;
    }
    QStringList printed;
    int pages = 1;
    bool ended = false;
};

struct RecordingPrinter final : public QPrinter {
    explicit RecordingPrinter(RecordingEngine& engine) { setEngines(&engine, &engine); }
};

TEST(QtOutputWindow, printsEveryLineFirstToLastOverAsManyPagesAsItTakes)
{
    QtOutputWindow window("");
    QStringList lines;
    for (int i = 1; i <= 60; ++i) {
        lines << QStringLiteral("line %1").arg(i);
        window.AddItem(gui::fromQ(lines.back()));
    }
    RecordingEngine engine;
    RecordingPrinter printer(engine);
    EXPECT_TRUE(window.printTo(printer));
    EXPECT_EQ(engine.printed, lines);
    EXPECT_GT(engine.pages, 1);
    EXPECT_TRUE(engine.ended) << "ending the job sends it";
}

// A double-click prints the log; without a printer, to a PDF beside it, and the window says where.
TEST(QtOutputWindow, doubleClickWithoutPrinterPrintsToPdfBesideTheLog)
{
    QTemporaryDir dir;
    QtOutputWindow window(gui::fromQ(dir.path()));
    window.setPrinterProbe([] { return false; });
    window.AddItem("Creating FileSystemObject...");
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    QTest::mouseDClick(window.list()->viewport(), Qt::LeftButton, {}, QPoint(10, 10));
    const QString pdf = QDir::toNativeSeparators(dir.filePath("OB32PYII-log.pdf"));
    QFile file(pdf);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << pdf.toStdString();
    EXPECT_EQ(file.read(5), "%PDF-");
    ASSERT_EQ(window.list()->count(), 2);
    EXPECT_EQ(window.list()->item(1)->text(), "No printer is installed: the log was printed to " + pdf);
}

} // namespace
} // namespace ob::test
