#pragma once
// QtRequiredFieldsEditor: "Required Fields", the grid in which the operator supplies the
// required custom fields of a new calibration record.

#include <QDialog>

#include <vector>

#include "customfields/RequiredFieldsEditor.h"
#include "platform/regional/RegionalSettings.h"

class QFrame;
class QLabel;
class QPushButton;
class QTabWidget;
class QTableWidget;
class QTableWidgetItem;

namespace ob {
class WindowSystem;
}

namespace ob::gui {

class QtRequiredFieldsEditor final : public QDialog, public RequiredFieldsEditor {
    Q_OBJECT

public:
    // Message boxes go through `windows`; the checks read dates, times and
    // numbers by `regional`, completing a date without a year with `currentYear`.
    QtRequiredFieldsEditor(WindowSystem& windows, regional::RegionalSettings regional, int currentYear,
                 QWidget* parent = nullptr);
    // An editor still open when the window goes commits no value into a half-destroyed window.
    ~QtRequiredFieldsEditor() override;

    void setInstructions(const std::string& text) override;
    // exec(); with no operator display the window is closed at once.
    void ShowModal() override;
    int Rows() const override;
    std::string TextMatrix(int row, int col) const override;

    // For the grid's delegate: the field of a grid row (1-based), or nullptr.
    const FieldDefinition* fieldAt(int gridRow) const;
    const regional::RegionalSettings& regionalSettings() const { return m_regional; }
    // A value cell's edit was committed; the check runs once the editor is
    // closed, so that its message box cannot re-enter the editor.
    void editCommitted(int gridRow);

    static const char* const kDefaultInstructions;

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    // Enter on the grid starts editing the current value cell.
    bool eventFilter(QObject* watched, QEvent* event) override;
    // The close box: the window is unloaded without any check.
    void reject() override;

private:
    void firstPaint();
    void applyTabRule();
    void afterEdit(int gridRow);
    void markIfMissing(QTableWidgetItem* item);
    void runPendingChecks();
    void commitOpenEdit();
    void okClicked();
    void unload();

    WindowSystem& m_windows;
    regional::RegionalSettings m_regional;
    int m_currentYear;
    bool m_firstPaintDone = false;
    std::vector<int> m_pendingChecks;
    unsigned m_loadCount = 0; // counts unloads, so a late check finds its rows gone

    QLabel* lblInstructions;
    QTabWidget* tabSettings;
    std::vector<QFrame*> framSettings;
    QTableWidget* vsfgReqFields;
    QPushButton* cmdOK; // cmdOKCancelHelp(0)
};

} // namespace ob::gui
