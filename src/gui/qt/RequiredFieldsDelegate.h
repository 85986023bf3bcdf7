#pragma once
// The editors of the value column: an editable list for PICK fields, a fixed
// list for FIXED fields, plain text otherwise; and the key filter.

#include <QStyledItemDelegate>

namespace ob::gui {

class QtRequiredFieldsEditor;

class RequiredFieldsDelegate final : public QStyledItemDelegate {
    Q_OBJECT

public:
    explicit RequiredFieldsDelegate(QtRequiredFieldsEditor& form, QObject* parent = nullptr);

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QtRequiredFieldsEditor& m_form;
};

} // namespace ob::gui
