#pragma once
// QtOutputWindow: the log window, "OB32PYII Output", with the list lstOutput.

#include <QWidget>

#include <functional>
#include <string>

#include "context/WindowSystem.h"

class QListWidget;
class QPrinter;

namespace ob::gui {

class WholeLineDelegate;

class QtOutputWindow final : public QWidget, public OutputWindow {
    Q_OBJECT

public:
    // `windowsFolder` is where the log file lives; with no printer the log is
    // printed to a PDF there.
    explicit QtOutputWindow(std::string windowsFolder, QWidget* parent = nullptr);

    int ListCount() const override;
    void RemoveItem(int index) override;
    void AddItem(const std::string& text) override;
    void SetListIndex(int index) override;
    void Show() override;

    // The double-click on the list: every line, first to last, to the default
    // printer, or to OB32PYII-log.pdf beside the log file when there is none.
    void PrintLog();
    // Every line of the list, first to last, one printed line each (long lines
    // wrapped); ending the painter sends the job. False when the job could not
    // start or finish.
    bool printTo(QPrinter& printer);
    QString pdfPath() const;
    // Whether a default printer exists; replaceable so that tests never print.
    void setPrinterProbe(std::function<bool()> hasDefaultPrinter);

    QListWidget* list() const { return lstOutput; }

protected:
    void resizeEvent(QResizeEvent* event) override;
    // The frame is known only once the window is shown (and a window manager
    // may add it later still, moving the window): the margins follow it.
    void showEvent(QShowEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void layoutList();
    void addOwnLine(const QString& text);
    void addLine(const QString& text);

    std::string m_windowsFolder;
    std::function<bool()> m_hasDefaultPrinter;
    QListWidget* lstOutput;
    WholeLineDelegate* m_lines;
};

} // namespace ob::gui
