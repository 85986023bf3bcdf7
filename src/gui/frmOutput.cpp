#include "gui/frmOutput.h"

#include <QDir>
#include <QEvent>
#include <QListWidget>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QResizeEvent>

#include <algorithm>
#include <climits>

#include "gui/QtText.h"
#include "gui/Twips.h"

namespace ob::gui {

namespace {

constexpr int kListLeftTwips = 60;
constexpr int kListTopTwips = 60;
constexpr int kWidthMarginTwips = 180;
constexpr int kHeightMarginTwips = 460;
// The log keeps at most this many lines and one more.
constexpr int kMaxListLines = 32000;

} // namespace

frmOutput::frmOutput(std::string windowsFolder, QWidget* parent)
    : QWidget(parent)
    , m_windowsFolder(std::move(windowsFolder))
    , m_hasDefaultPrinter([] { return !QPrinterInfo::defaultPrinter().isNull(); })
    , lstOutput(new QListWidget(this))
{
    setObjectName(QStringLiteral("frmOutput"));
    setWindowTitle(QStringLiteral("OB32PYII Output"));
    lstOutput->setObjectName(QStringLiteral("lstOutput"));
    lstOutput->setUniformItemSizes(true);
    lstOutput->viewport()->installEventFilter(this);
    // On load the list starts empty.
    lstOutput->clear();
    resize(twipsToPixels(9600), twipsToPixels(6000));
    layoutList();
}

int frmOutput::ListCount() const
{
    return lstOutput->count();
}

void frmOutput::RemoveItem(int index)
{
    delete lstOutput->takeItem(index);
}

void frmOutput::AddItem(const std::string& text)
{
    lstOutput->addItem(toQ(text));
}

void frmOutput::SetListIndex(int index)
{
    lstOutput->setCurrentRow(index);
}

void frmOutput::Show()
{
    show();
}

void frmOutput::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    layoutList();
}

// The list keeps fixed margins to the window's outer edges; a window smaller
// than the margins (minimised) leaves the list at size 0 rather than negative.
void frmOutput::layoutList()
{
    const QRect outer = frameGeometry();
    const int width = std::max(0, pixelsToTwips(outer.width()) - kWidthMarginTwips);
    const int height = std::max(0, pixelsToTwips(outer.height()) - kHeightMarginTwips);
    lstOutput->setGeometry(twipsRect(kListLeftTwips, kListTopTwips, width, height));
}

bool frmOutput::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == lstOutput->viewport() && event->type() == QEvent::MouseButtonDblClick) {
        PrintLog();
    }
    return QWidget::eventFilter(watched, event);
}

QString frmOutput::pdfPath() const
{
    return QDir::toNativeSeparators(QDir(toQ(m_windowsFolder)).filePath(QStringLiteral("OB32PYII-log.pdf")));
}

void frmOutput::setPrinterProbe(std::function<bool()> hasDefaultPrinter)
{
    m_hasDefaultPrinter = std::move(hasDefaultPrinter);
}

void frmOutput::PrintLog()
{
    if (m_hasDefaultPrinter && m_hasDefaultPrinter()) {
        QPrinter printer(QPrinter::HighResolution);
        printer.setCopyCount(1);
        printTo(printer);
        return;
    }
    const QString path = pdfPath();
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(path);
    printer.setCopyCount(1);
    const bool printed = printTo(printer);
    addOwnLine(printed ? QStringLiteral("No printer is installed: the log was printed to ") + path
                       : QStringLiteral("No printer is installed, and the log could not be printed to ") + path);
}

// A line of the window's own keeps to the same bound as the log's lines.
void frmOutput::addOwnLine(const QString& text)
{
    if (lstOutput->count() > kMaxListLines) {
        delete lstOutput->takeItem(0);
    }
    lstOutput->addItem(text);
    lstOutput->setCurrentRow(lstOutput->count() - 1);
}

// A new page when the next line does not fit.
bool frmOutput::printTo(QPrinter& printer)
{
    QPainter painter;
    if (!painter.begin(&printer)) {
        return false;
    }
    QFont font = painter.font();
    font.setPointSize(9);
    painter.setFont(font);
    const int pageWidth = printer.width();
    const int pageHeight = printer.height();
    const int flags = Qt::AlignLeft | Qt::AlignTop | Qt::TextWrapAnywhere;
    const int lineHeight = painter.fontMetrics().lineSpacing();
    int y = 0;
    for (int i = 0; i < lstOutput->count(); ++i) {
        const QString text = lstOutput->item(i)->text();
        const int height =
            text.isEmpty() ? lineHeight
                           : painter.boundingRect(QRect(0, 0, pageWidth, INT_MAX / 2), flags, text).height();
        if (y > 0 && y + height > pageHeight) {
            printer.newPage();
            y = 0;
        }
        painter.drawText(QRect(0, y, pageWidth, height), flags, text);
        y += height;
    }
    return painter.end();
}

} // namespace ob::gui
