#include "gui/qt/QtRequiredFieldsEditor.h"

#include <QAbstractItemDelegate>
#include <QApplication>
#include <QFrame>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimer>

#include "customfields/EditorRules.h"
#include "gui/qt/DialogStyle.h"
#include "gui/qt/QtText.h"
#include "gui/qt/RequiredFieldsDelegate.h"
#include "gui/qt/Twips.h"
#include "platform/Failure.h"
#include "context/Messages.h"
#include "context/WindowSystem.h"

namespace ob::gui {

namespace {

constexpr int kNameColumn = 0;
constexpr int kTitleColumn = 1;
constexpr int kValueColumn = 2;
constexpr int kNameWidthTwips = 800;
constexpr int kTitleWidthTwips = 2000;
constexpr int kScrollRoomTwips = 400;
// The background of a value cell that is still missing.
const QColor kMissingColor(255, 221, 221);

const char* const kHeaders[] = {"Field", "Title", "Value"};

} // namespace

const char* const QtRequiredFieldsEditor::kDefaultInstructions =
    "The following required fields must be populated to create a new calibration record for asset ";

QtRequiredFieldsEditor::QtRequiredFieldsEditor(WindowSystem& windows, regional::RegionalSettings regional, int currentYear,
                           QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint)
    , m_windows(windows)
    , m_regional(std::move(regional))
    , m_currentYear(currentYear)
{
    setObjectName(QStringLiteral("QtRequiredFieldsEditor"));
    setWindowTitle(QStringLiteral("Required Fields"));
    setFont(dialogFont());
    setFixedSize(twipsToPixels(8520), twipsToPixels(6240));

    lblInstructions = new QLabel(QString::fromLatin1(kDefaultInstructions), this);
    lblInstructions->setObjectName(QStringLiteral("lblInstructions"));
    lblInstructions->setTextFormat(Qt::PlainText);
    lblInstructions->setWordWrap(true);
    lblInstructions->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lblInstructions->setGeometry(twipsRect(120, 120, 8280, 495));

    tabSettings = new QTabWidget(this);
    tabSettings->setObjectName(QStringLiteral("tabSettings"));
    tabSettings->setGeometry(twipsRect(120, 720, 8280, 4920));
    tabSettings->tabBar()->setFocusPolicy(Qt::NoFocus);
    auto* frame = new QFrame;
    frame->setObjectName(QStringLiteral("framSettings_0"));
    frame->setFrameShape(QFrame::NoFrame);
    framSettings.push_back(frame);
    tabSettings->addTab(frame, QStringLiteral("Fields"));
    tabSettings->tabBar()->setTabData(0, 0); // the tab's tag: the index of its frame

    vsfgReqFields = new QTableWidget(0, 3, frame);
    vsfgReqFields->setObjectName(QStringLiteral("vsfgReqFields"));
    vsfgReqFields->setGeometry(twipsRect(120, 120, 7920, 3960));
    QStringList headers;
    for (const char* header : kHeaders) {
        headers << QString::fromLatin1(header);
    }
    vsfgReqFields->setHorizontalHeaderLabels(headers);
    vsfgReqFields->verticalHeader()->hide();
    vsfgReqFields->horizontalHeader()->setHighlightSections(false);
    vsfgReqFields->setSelectionMode(QAbstractItemView::SingleSelection);
    vsfgReqFields->setSelectionBehavior(QAbstractItemView::SelectItems);
    vsfgReqFields->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::SelectedClicked |
                                   QAbstractItemView::EditKeyPressed | QAbstractItemView::AnyKeyPressed);
    vsfgReqFields->setTabKeyNavigation(false);
    vsfgReqFields->installEventFilter(this);
    vsfgReqFields->setItemDelegate(new RequiredFieldsDelegate(*this, vsfgReqFields));
    // The value column takes what the two fixed columns leave, less room for
    // the scroll bar; it is set once, as the window does not lay out again.
    vsfgReqFields->setColumnWidth(kNameColumn, twipsToPixels(kNameWidthTwips));
    vsfgReqFields->setColumnWidth(kTitleColumn, twipsToPixels(kTitleWidthTwips));
    vsfgReqFields->setColumnWidth(
        kValueColumn,
        twipsToPixels(pixelsToTwips(vsfgReqFields->width()) - kNameWidthTwips - kTitleWidthTwips - kScrollRoomTwips));

    cmdOK = new QPushButton(QStringLiteral("&OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOKCancelHelp_0"));
    cmdOK->setGeometry(twipsRect(7200, 5760, 1200, 375));
    // Enter on the focused button gives OK; it is no default button, so Enter
    // in a value cell only ends that cell's edit.
    cmdOK->setAutoDefault(true);
    connect(cmdOK, &QPushButton::clicked, this, &QtRequiredFieldsEditor::okClicked);
    connect(tabSettings->tabBar(), &QTabBar::tabBarClicked, this, [this](int) { applyTabRule(); });
    connect(vsfgReqFields, &QTableWidget::itemChanged, this, &QtRequiredFieldsEditor::markIfMissing);
}

void QtRequiredFieldsEditor::setInstructions(const std::string& text)
{
    lblInstructions->setText(toQ(text));
}

void QtRequiredFieldsEditor::ShowModal()
{
    if (!m_windows.OperatorDisplayAvailable()) {
        unload();
        return;
    }
    exec();
}

int QtRequiredFieldsEditor::Rows() const
{
    return vsfgReqFields->rowCount() + 1;
}

std::string QtRequiredFieldsEditor::TextMatrix(int row, int col) const
{
    if (row < 0 || row >= Rows() || col < 0 || col >= vsfgReqFields->columnCount()) {
        throw Failure::subscriptOutOfRange();
    }
    if (row == 0) {
        return kHeaders[col];
    }
    const QTableWidgetItem* item = vsfgReqFields->item(row - 1, col);
    return item ? fromQ(item->text()) : std::string();
}

const FieldDefinition* QtRequiredFieldsEditor::fieldAt(int gridRow) const
{
    if (gridRow < 1 || gridRow > colReqFields.Count()) {
        return nullptr;
    }
    return colReqFields.Item(static_cast<long>(gridRow)).get();
}

void QtRequiredFieldsEditor::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!m_firstPaintDone) {
        firstPaint();
    }
}

void QtRequiredFieldsEditor::firstPaint()
{
    m_firstPaintDone = true;
    for (const auto& slot : colReqFields) {
        const int row = vsfgReqFields->rowCount();
        vsfgReqFields->insertRow(row);
        const std::string* texts[] = {&slot.field->FieldName(), &slot.field->FieldTitle(),
                                      &slot.field->DefaultValue()};
        // The title column is narrow: its full text, and what the value may
        // be, show on hover.
        const QString tip = toQ(slot.field->FieldTitle() + "\n" + editor::describeField(*slot.field));
        for (int col = 0; col < 3; ++col) {
            auto* item = new QTableWidgetItem(toQ(*texts[col]));
            if (col != kValueColumn) {
                item->setFlags(item->flags() & ~Qt::ItemIsEditable);
            }
            if (col != kNameColumn) {
                item->setToolTip(tip);
            }
            vsfgReqFields->setItem(row, col, item);
            markIfMissing(item);
        }
    }
    tabSettings->setCurrentIndex(0);
    applyTabRule();
    // Topmost comes with the window flags; the window keeps its place and size.
    if (vsfgReqFields->rowCount() > 0) {
        vsfgReqFields->setCurrentCell(0, kValueColumn);
    }
    vsfgReqFields->setFocus(Qt::OtherFocusReason);
}

void QtRequiredFieldsEditor::applyTabRule()
{
    const int selected = tabSettings->currentIndex();
    const int tag = selected >= 0 ? tabSettings->tabBar()->tabData(selected).toInt() : -1;
    for (std::size_t i = 0; i < framSettings.size(); ++i) {
        framSettings[i]->setVisible(static_cast<int>(i) == tag);
    }
}

void QtRequiredFieldsEditor::editCommitted(int gridRow)
{
    m_pendingChecks.push_back(gridRow);
    if (m_pendingChecks.size() == 1) {
        QTimer::singleShot(0, this, &QtRequiredFieldsEditor::runPendingChecks);
    }
}

void QtRequiredFieldsEditor::runPendingChecks()
{
    std::vector<int> rows;
    rows.swap(m_pendingChecks);
    for (const int row : rows) {
        afterEdit(row);
    }
}

// The box comes first, while the cell still shows what was typed; then the
// cell is cut, emptied or rewritten. The operator may move on either way.
void QtRequiredFieldsEditor::afterEdit(int gridRow)
{
    try {
        const FieldDefinition* field = fieldAt(gridRow);
        QTableWidgetItem* cell = vsfgReqFields->item(gridRow - 1, kValueColumn);
        if (!field || !cell) {
            return;
        }
        const editor::EditOutcome outcome = editor::checkAfterEdit(
            *field, TextMatrix(gridRow, kNameColumn), fromQ(cell->text()), m_regional, m_currentYear);
        const unsigned loaded = m_loadCount;
        if (outcome.message) {
            ShowInfoBox(m_windows, outcome.message->text, outcome.message->title);
        }
        // The rows are gone when the window was closed while the box was up.
        if (loaded == m_loadCount) {
            cell->setText(toQ(outcome.text));
        }
    } catch (...) {
        const Failure failure = currentFailure();
        ShowErrorBox(m_windows, "attempting to validate settings", kApplicationTitle, &failure);
    }
}

// Empty value cells stand out until they hold something.
void QtRequiredFieldsEditor::markIfMissing(QTableWidgetItem* item)
{
    if (item == nullptr || item->column() != kValueColumn) {
        return;
    }
    const QVariant background = editor::isMissing(fromQ(item->text())) ? QVariant(QBrush(kMissingColor)) : QVariant();
    if (item->data(Qt::BackgroundRole) != background) {
        item->setData(Qt::BackgroundRole, background);
    }
}

// Alt+O clicks OK without taking the focus from a cell being edited: its text
// is committed here, or the check would judge the value from before the edit
// and the typed text would land in the grid only after the window closed.
void QtRequiredFieldsEditor::commitOpenEdit()
{
    QWidget* editor = vsfgReqFields->indexWidget(vsfgReqFields->currentIndex());
    QAbstractItemDelegate* delegate = vsfgReqFields->itemDelegate();
    if (editor == nullptr || delegate == nullptr) {
        return;
    }
    emit delegate->commitData(editor);
    emit delegate->closeEditor(editor, QAbstractItemDelegate::NoHint);
}

void QtRequiredFieldsEditor::okClicked()
{
    // A value still being edited, or committed by leaving its cell for this
    // button, is checked first.
    commitOpenEdit();
    runPendingChecks();
    try {
        if (const auto missing = editor::firstMissingValue(*this)) {
            const unsigned loaded = m_loadCount;
            ShowInfoBox(m_windows, missing->second.text, missing->second.title);
            // Then straight to the field that is missing, ready for typing.
            if (loaded == m_loadCount && isVisible()) {
                vsfgReqFields->setCurrentCell(static_cast<int>(missing->first), kValueColumn);
                vsfgReqFields->setFocus(Qt::OtherFocusReason);
                vsfgReqFields->edit(vsfgReqFields->currentIndex());
            }
            return;
        }
    } catch (...) {
        const Failure failure = currentFailure();
        ShowErrorBox(m_windows, "attempting to validate settings", kApplicationTitle, &failure);
        return;
    }
    // Nothing to store: the caller reads the grid once the window is hidden.
    accept();
}

// Escape does not close the window: it has no Cancel button. (Inside a cell
// the editor takes Escape itself and drops the edit.)
void QtRequiredFieldsEditor::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

bool QtRequiredFieldsEditor::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == vsfgReqFields && event->type() == QEvent::KeyPress &&
        QApplication::focusWidget() == vsfgReqFields) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        const QModelIndex current = vsfgReqFields->currentIndex();
        if ((key == Qt::Key_Return || key == Qt::Key_Enter) && current.column() == kValueColumn) {
            vsfgReqFields->edit(current);
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void QtRequiredFieldsEditor::reject()
{
    unload();
    QDialog::reject();
}

// What the caller finds after the window was closed rather than confirmed:
// a window loaded afresh, with an empty collection and the header row only.
void QtRequiredFieldsEditor::unload()
{
    ++m_loadCount;
    m_pendingChecks.clear();
    vsfgReqFields->setRowCount(0);
    colReqFields.Clear();
    lblInstructions->setText(QString::fromLatin1(kDefaultInstructions));
    m_firstPaintDone = false;
}

QtRequiredFieldsEditor::~QtRequiredFieldsEditor()
{
    if (QAbstractItemDelegate* delegate = vsfgReqFields->itemDelegate()) {
        delegate->blockSignals(true);
    }
}

} // namespace ob::gui
