#include "gui/qt/RequiredFieldsDelegate.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>

#include "customfields/EditorRules.h"
#include "gui/qt/QtText.h"
#include "gui/qt/QtRequiredFieldsEditor.h"

namespace ob::gui {

namespace {

constexpr int kValueColumn = 2;
const char* const kRowProperty = "obGridRow";

QLineEdit* textOf(QWidget* editor)
{
    if (auto* line = qobject_cast<QLineEdit*>(editor)) {
        return line;
    }
    if (auto* combo = qobject_cast<QComboBox*>(editor)) {
        return combo->lineEdit(); // nullptr for a fixed list
    }
    return nullptr;
}

} // namespace

RequiredFieldsDelegate::RequiredFieldsDelegate(QtRequiredFieldsEditor& form, QObject* parent)
    : QStyledItemDelegate(parent)
    , m_form(form)
{
}

// The kind of editor is chosen each time a value cell enters editing.
QWidget* RequiredFieldsDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                                         const QModelIndex& index) const
{
    if (index.column() != kValueColumn) {
        return nullptr;
    }
    const FieldDefinition* field = m_form.fieldAt(index.row() + 1);
    const editor::DropDown list = field ? editor::dropDownFor(*field) : editor::DropDown{};
    QWidget* widget = nullptr;
    if (list.kind == editor::DropDownKind::None) {
        widget = QStyledItemDelegate::createEditor(parent, option, index);
    } else {
        auto* combo = new QComboBox(parent);
        combo->setEditable(list.kind == editor::DropDownKind::Editable);
        combo->setInsertPolicy(QComboBox::NoInsert);
        for (const auto& item : list.items) {
            combo->addItem(toQ(item));
        }
        widget = combo;
    }
    widget->setObjectName(QStringLiteral("valueEditor"));
    widget->setProperty(kRowProperty, index.row() + 1);
    return widget;
}

void RequiredFieldsDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const
{
    const QString text = index.data(Qt::EditRole).toString();
    if (auto* combo = qobject_cast<QComboBox*>(editor)) {
        if (combo->isEditable()) {
            combo->setEditText(text);
            // As in a plain text cell: what the operator types replaces the value.
            combo->lineEdit()->selectAll();
        } else {
            combo->setCurrentIndex(combo->findText(text));
        }
        return;
    }
    if (auto* line = qobject_cast<QLineEdit*>(editor)) {
        line->setText(text);
        return;
    }
    QStyledItemDelegate::setEditorData(editor, index);
}

void RequiredFieldsDelegate::setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const
{
    QString text;
    if (auto* combo = qobject_cast<QComboBox*>(editor)) {
        // A fixed list with nothing chosen leaves the cell as it was.
        if (!combo->isEditable() && combo->currentIndex() < 0) {
            return;
        }
        text = combo->currentText();
    } else if (auto* line = qobject_cast<QLineEdit*>(editor)) {
        text = line->text();
    } else {
        QStyledItemDelegate::setModelData(editor, model, index);
        text = index.data(Qt::EditRole).toString();
    }
    model->setData(index, text, Qt::EditRole);
    m_form.editCommitted(index.row() + 1);
}

// Keys typed into a value: an apostrophe is dropped, and in numeric fields "."
// types the system's decimal separator.
bool RequiredFieldsDelegate::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        auto* editor = qobject_cast<QWidget*>(watched);
        const auto* key = static_cast<QKeyEvent*>(event);
        const QString typed = key->text();
        if (editor && typed.size() == 1 && (typed == QLatin1String("'") || typed == QLatin1String("."))) {
            const FieldDefinition* field = m_form.fieldAt(editor->property(kRowProperty).toInt());
            if (field) {
                const auto replacement =
                    editor::filterKey(*field, typed.at(0).toLatin1(), m_form.regionalSettings());
                if (!replacement) {
                    return true;
                }
                const QString instead = toQ(*replacement);
                if (instead != typed) {
                    if (QLineEdit* line = textOf(editor)) {
                        line->insert(instead);
                        return true;
                    }
                }
            }
        }
    }
    return QStyledItemDelegate::eventFilter(watched, event);
}

} // namespace ob::gui
