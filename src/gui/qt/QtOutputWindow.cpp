#include "gui/qt/QtOutputWindow.h"

#include <QDir>
#include <QAbstractItemView>
#include <QEvent>
#include <QHelpEvent>
#include <QListWidget>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QResizeEvent>
#include <QStyledItemDelegate>
#include <QToolTip>

#include <algorithm>
#include <climits>

#include "gui/qt/QtText.h"
#include "gui/qt/Twips.h"

namespace ob::gui {

namespace {

constexpr int kListLeftTwips = 60;
constexpr int kListTopTwips = 60;
constexpr int kWidthMarginTwips = 180;
constexpr int kHeightMarginTwips = 460;
} // namespace

// Lines are shown whole: the list is as wide as its widest line, so that it
// scrolls sideways rather than cutting lines, and a line's full text shows on
// hover. The list keeps uniform item sizes (its bound is 32001 lines), so the
// width is the one size hint every line shares, and it only grows.
class WholeLineDelegate final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void lineAdded(const QListWidget& list, const QString& text)
    {
        const int width = list.fontMetrics().horizontalAdvance(text) + kTextRoom;
        if (width > m_widest) {
            m_widest = width;
            emit sizeHintChanged(QModelIndex());
        }
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        const QSize hint = QStyledItemDelegate::sizeHint(option, index);
        return {std::max(hint.width(), m_widest), hint.height()};
    }

    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override
    {
        if (event->type() == QEvent::ToolTip && index.isValid()) {
            QToolTip::showText(event->globalPos(), index.data(Qt::DisplayRole).toString(), view);
            return true;
        }
        return QStyledItemDelegate::helpEvent(event, view, option, index);
    }

private:
    static constexpr int kTextRoom = 12; // the item's own margins
    int m_widest = 0;
};

QtOutputWindow::QtOutputWindow(std::string windowsFolder, QWidget* parent)
    : QWidget(parent)
    , m_windowsFolder(std::move(windowsFolder))
    , m_hasDefaultPrinter([] { return !QPrinterInfo::defaultPrinter().isNull(); })
    , lstOutput(new QListWidget(this))
    , m_lines(new WholeLineDelegate(lstOutput))
{
    setObjectName(QStringLiteral("QtOutputWindow"));
    setWindowTitle(QStringLiteral("OB32PYII Output"));
    lstOutput->setObjectName(QStringLiteral("lstOutput"));
    lstOutput->setUniformItemSizes(true);
    lstOutput->setItemDelegate(m_lines);
    lstOutput->setTextElideMode(Qt::ElideNone);
    lstOutput->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    lstOutput->viewport()->installEventFilter(this);
    // On load the list starts empty.
    lstOutput->clear();
    resize(twipsToPixels(9600), twipsToPixels(6000));
    layoutList();
}

int QtOutputWindow::ListCount() const
{
    return lstOutput->count();
}

void QtOutputWindow::RemoveItem(int index)
{
    delete lstOutput->takeItem(index);
}

void QtOutputWindow::AddItem(const std::string& text)
{
    addLine(toQ(text));
}

void QtOutputWindow::addLine(const QString& text)
{
    lstOutput->addItem(text);
    m_lines->lineAdded(*lstOutput, text);
}

void QtOutputWindow::SetListIndex(int index)
{
    lstOutput->setCurrentRow(index);
}

void QtOutputWindow::Show()
{
    show();
}

void QtOutputWindow::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    layoutList();
}

void QtOutputWindow::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    layoutList();
}

void QtOutputWindow::moveEvent(QMoveEvent* event)
{
    QWidget::moveEvent(event);
    layoutList();
}

// The list keeps fixed margins to the window's outer edges; a window smaller
// than the margins (minimised) leaves the list at size 0 rather than negative.
void QtOutputWindow::layoutList()
{
    const QRect outer = frameGeometry();
    const int width = std::max(0, pixelsToTwips(outer.width()) - kWidthMarginTwips);
    const int height = std::max(0, pixelsToTwips(outer.height()) - kHeightMarginTwips);
    lstOutput->setGeometry(twipsRect(kListLeftTwips, kListTopTwips, width, height));
}

bool QtOutputWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == lstOutput->viewport() && event->type() == QEvent::MouseButtonDblClick) {
        PrintLog();
    }
    return QWidget::eventFilter(watched, event);
}

QString QtOutputWindow::pdfPath() const
{
    return QDir::toNativeSeparators(QDir(toQ(m_windowsFolder)).filePath(QStringLiteral("OB32PYII-log.pdf")));
}

void QtOutputWindow::setPrinterProbe(std::function<bool()> hasDefaultPrinter)
{
    m_hasDefaultPrinter = std::move(hasDefaultPrinter);
}

void QtOutputWindow::PrintLog()
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

// A line of the window's own goes to the log, which shows it here too;
// without one it keeps to the same bound as the log's lines.
void QtOutputWindow::addOwnLine(const QString& text)
{
    if (OwnLine) {
        OwnLine(fromQ(text));
        return;
    }
    if (lstOutput->count() > kMaxOutputLines) {
        delete lstOutput->takeItem(0);
    }
    addLine(text);
    lstOutput->setCurrentRow(lstOutput->count() - 1);
}

// A new page when the next line does not fit.
bool QtOutputWindow::printTo(QPrinter& printer)
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
