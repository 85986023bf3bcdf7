// The log window: its list and its bound, its layout in twips, and printing
// the log with a double-click.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QHelpEvent>
#include <QScrollBar>
#include <QToolTip>
#include <QListWidget>
#include <QPaintEngine>
#include <QPrintEngine>
#include <QPrinter>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

#include "gui/Operator.h"
#include "gui/qt/QtText.h"
#include "gui/qt/QtOutputWindow.h"
#include "link/Link.h"
#include "context/Clock.h"
#include "context/Environment.h"

namespace ob::test {
namespace {

using gui::QtOutputWindow;

QStringList linesOf(const QListWidget& list)
{
    QStringList out;
    for (int i = 0; i < list.count(); ++i) {
        out << list.item(i)->text();
    }
    return out;
}

QtOutputWindow* theOutputWindow()
{
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w->objectName() == QLatin1String("QtOutputWindow")) {
            return qobject_cast<QtOutputWindow*>(w);
        }
    }
    return nullptr;
}

TEST(QtOutputWindow, opensEmptyUnderItsCaption)
{
    QtOutputWindow window("");
    EXPECT_EQ(window.windowTitle(), "OB32PYII Output");
    auto* list = control<QListWidget>(window, "lstOutput");
    EXPECT_EQ(list->count(), 0);
}

// The bound lives in WriteLog; driven here through the real window.
TEST(QtOutputWindow, keepsAtMost32001LinesDroppingTheOldestFirst)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    BoxAnswerer boxes;
    Environment env;
    env.windowsFolder = gui::fromQ(dir.path());
    env.programFolder = env.windowsFolder;
    env.clock = std::make_shared<SystemClock>();
    env.windows = operatorWindows(env.windowsFolder);
    Link link(env);
    QtOutputWindow* window = theOutputWindow();
    ASSERT_NE(window, nullptr);
    QListWidget* list = window->list();
    const QString firstStartLine = list->item(0)->text();
    const QString secondStartLine = list->item(1)->text();
    EXPECT_EQ(firstStartLine, "Creating FileSystemObject...");

    int written = 0;
    while (list->count() < 32001) {
        link.context().WriteLog("line " + std::to_string(++written));
    }
    EXPECT_EQ(list->item(0)->text(), firstStartLine) << "nothing is dropped before the list is full";

    link.context().WriteLog("one more");
    EXPECT_EQ(list->count(), 32001);
    EXPECT_EQ(list->item(0)->text(), secondStartLine);
    link.context().WriteLog("and another");
    EXPECT_EQ(list->count(), 32001);
    EXPECT_EQ(list->item(list->count() - 1)->text(), "and another");
    EXPECT_EQ(list->currentRow(), 32000) << "the newest line is selected";
    EXPECT_TRUE(boxes.boxes.empty());
}

struct ResizeCase {
    QSize window;   // pixels
    QRect expected; // the list, pixels (one pixel is 15 twips)
};

class OutputWindowResize : public testing::TestWithParam<ResizeCase> { };

// The list sits at 60, 60 twips and is 180 twips narrower and 460 twips lower
// than the window; a window smaller than that leaves it at size 0.
TEST_P(OutputWindowResize, listKeepsItsMarginsInTwips)
{
    QtOutputWindow window("");
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    // The rule is about the outer size, frame included.
    const QSize frame = window.frameGeometry().size() - window.size();
    window.resize(GetParam().window - frame);
    settle();
    ASSERT_EQ(window.frameGeometry().size(), GetParam().window);
    EXPECT_EQ(window.list()->geometry(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Sizes, OutputWindowResize,
                         testing::Values(ResizeCase{{640, 400}, {4, 4, 628, 369}},
                                         ResizeCase{{300, 200}, {4, 4, 288, 169}}, ResizeCase{{13, 32}, {4, 4, 1, 1}},
                                         ResizeCase{{12, 31}, {4, 4, 0, 0}}, ResizeCase{{5, 5}, {4, 4, 0, 0}}));

// A statement or an error text is read on screen: long lines scroll sideways
// rather than being cut, and show whole on hover.
TEST(QtOutputWindow, showsLongLinesWhole)
{
    QtOutputWindow window("");
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    QListWidget* list = window.list();
    const QString longLine = QStringLiteral("INSERT INTO CALS (C2401, C2402) VALUES (") +
                             QString(QStringLiteral("'a value', ")).repeated(40) + QStringLiteral("'last')");
    window.AddItem("Creating calibration record...");
    window.AddItem(gui::fromQ(longLine));
    window.AddItem("Done");
    settle();
    const QRect longRect = list->visualItemRect(list->item(1));
    EXPECT_GE(longRect.width(), list->fontMetrics().horizontalAdvance(longLine));
    EXPECT_GT(list->horizontalScrollBar()->maximum(), 0);

    QHelpEvent hover(QEvent::ToolTip, longRect.topLeft() + QPoint(5, 2),
                     list->viewport()->mapToGlobal(longRect.topLeft() + QPoint(5, 2)));
    QApplication::sendEvent(list->viewport(), &hover);
    EXPECT_EQ(QToolTip::text(), longLine);
    QToolTip::hideText();
}

// A printer whose pages record the text drawn on them.
class RecordingEngine final : public QPaintEngine, public QPrintEngine {
public:
    RecordingEngine()
        : QPaintEngine(QPaintEngine::AllFeatures)
    {
    }

    bool begin(QPaintDevice*) override
    {
        state = QPrinter::Active;
        pages = 1;
        return true;
    }
    bool end() override
    {
        state = QPrinter::Idle;
        ended = true;
        return true;
    }
    void updateState(const QPaintEngineState&) override { }
    void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override { }
    void drawTextItem(const QPointF&, const QTextItem& item) override { printed << item.text(); }
    Type type() const override { return QPaintEngine::User; }

    void setProperty(PrintEnginePropertyKey key, const QVariant& value) override { properties[key] = value; }
    QVariant property(PrintEnginePropertyKey key) const override { return properties.value(key); }
    bool newPage() override
    {
        ++pages;
        return true;
    }
    bool abort() override { return false; }
    int metric(QPaintDevice::PaintDeviceMetric metric) const override
    {
        switch (metric) {
        case QPaintDevice::PdmWidth:
            return 400;
        case QPaintDevice::PdmHeight:
            return 300;
        case QPaintDevice::PdmWidthMM:
            return 141;
        case QPaintDevice::PdmHeightMM:
            return 106;
        case QPaintDevice::PdmDpiX:
        case QPaintDevice::PdmDpiY:
        case QPaintDevice::PdmPhysicalDpiX:
        case QPaintDevice::PdmPhysicalDpiY:
            return 72;
        case QPaintDevice::PdmDepth:
            return 32;
        case QPaintDevice::PdmNumColors:
            return 256;
        case QPaintDevice::PdmDevicePixelRatio:
            return 1;
        case QPaintDevice::PdmDevicePixelRatioScaled:
            return static_cast<int>(QPaintDevice::devicePixelRatioFScale());
        }
        return 0;
    }
    QPrinter::PrinterState printerState() const override { return state; }

    QStringList printed;
    int pages = 0;
    bool ended = false;
    QPrinter::PrinterState state = QPrinter::Idle;
    QHash<int, QVariant> properties;
};

class RecordingPrinter final : public QPrinter {
public:
    explicit RecordingPrinter(RecordingEngine& engine) { setEngines(&engine, &engine); }
};

TEST(QtOutputWindow, printsEveryLineFirstToLastOverAsManyPagesAsItTakes)
{
    QtOutputWindow window("");
    QStringList lines;
    for (int i = 1; i <= 60; ++i) {
        lines << QStringLiteral("line %1").arg(i);
    }
    for (const QString& line : lines) {
        window.AddItem(gui::fromQ(line));
    }
    RecordingEngine engine;
    {
        RecordingPrinter printer(engine);
        EXPECT_TRUE(window.printTo(printer));
    }
    EXPECT_EQ(engine.printed, lines);
    EXPECT_GT(engine.pages, 1);
    EXPECT_TRUE(engine.ended) << "ending the job sends it";
}

TEST(QtOutputWindow, doubleClickWithoutPrinterPrintsToPdfBesideTheLog)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QtOutputWindow window(gui::fromQ(dir.path()));
    window.setPrinterProbe([] { return false; });
    window.AddItem("Creating FileSystemObject...");
    window.AddItem("");
    window.AddItem("Terminated...");
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));

    QTest::mouseDClick(window.list()->viewport(), Qt::LeftButton, {}, QPoint(10, 10));

    const QString pdf = dir.filePath(QStringLiteral("OB32PYII-log.pdf"));
    EXPECT_EQ(window.pdfPath(), QDir::toNativeSeparators(pdf));
    QFile file(pdf);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << pdf.toStdString();
    EXPECT_TRUE(file.read(5) == "%PDF-");
    const QStringList shown = linesOf(*window.list());
    ASSERT_EQ(shown.size(), 4);
    EXPECT_EQ(shown.last(), "No printer is installed: the log was printed to " + QDir::toNativeSeparators(pdf));
}

TEST(QtOutputWindow, itsOwnPrintLineKeepsTheListWithinItsBound)
{
    // A folder that does not exist: the PDF cannot be written, and the window says so.
    QtOutputWindow window("/nonexistent/ob32pyii-test");
    window.setPrinterProbe([] { return false; });
    for (int i = 0; i < 32001; ++i) {
        window.AddItem("line " + std::to_string(i));
    }
    window.PrintLog();
    EXPECT_EQ(window.ListCount(), 32001);
    EXPECT_EQ(window.list()->item(0)->text(), "line 1");
    EXPECT_EQ(window.list()->item(32000)->text(),
              "No printer is installed, and the log could not be printed to " + window.pdfPath());
}

} // namespace
} // namespace ob::test
