// The required fields editor driven like an operator: the grid, each kind of field's editor, the
// checks after an edit, and what OK and the close box leave for the caller.
#include <gtest/gtest.h>

#include <algorithm>

#include <QComboBox>
#include <QLineEdit>
#include <QTableWidget>

#include "gui/Operator.h"
#include "gui/qt/QtRequiredFieldsEditor.h"
#include "support/EditorFields.h"

namespace ob::test {
namespace {

using regional::RegionalSettings;

using Row = EditorField;

class ReqFieldsTest : public testing::Test {
protected:
    // Filled as the required-fields operation fills it; `shown` (not modal) so the test can look on.
    void make(const std::vector<Row>& fields, bool shown = false, const RegionalSettings& rs = RegionalSettings::enUS())
    {
        form = std::make_unique<gui::QtRequiredFieldsEditor>(*windows, rs, 2026);
        addFields(*form, fields);
        if (shown) {
            form->show();
            ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
        }
    }
    QTableWidget* grid() { return control<QTableWidget>(*form, "vsfgReqFields"); }
    // The editor of the cell being edited, or nullptr (a closed one is hidden at once, deleted later).
    QWidget* openEditor()
    {
        const auto editors = grid()->findChildren<QWidget*>("valueEditor");
        const auto open = std::ranges::find_if(editors, &QWidget::isVisible);
        return open == editors.end() ? nullptr : *open;
    }
    // Starts editing the cell with `start` (none: the first typed key starts it), types `text` key by key
    // to whatever has the focus, as a keyboard does, and commits with Enter unless told not to.
    void edit(int gridRow, Qt::Key start, const QString& text, bool commit = true, int column = 2)
    {
        form->activateWindow(); // the window manager's part after a box; offscreen, the operator's
        ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
        grid()->setCurrentCell(gridRow - 1, column);
        if (start != Qt::Key_unknown) {
            QTest::keyClick(grid(), start);
        }
        for (const QChar ch : text) {
            QTest::keyClicks(QApplication::focusWidget(), QString(ch));
        }
        if (commit) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
            settle(); // the check runs once the editor is gone
        }
    }
    std::string value(int gridRow) const { return form->TextMatrix(gridRow, 2); }
    // Alt+O clicks OK without taking the focus from a cell still being edited.
    void altO()
    {
        form->activateWindow(); // the window manager's part after a box; offscreen, the operator's
        ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_O, Qt::AltModifier);
        QTest::qWait(400); // the button's animated click, then any box
    }

    std::shared_ptr<gui::QtWindowSystem> windows = operatorWindows();
    BoxAnswerer boxes;
    std::unique_ptr<gui::QtRequiredFieldsEditor> form;
};

// Each value cell's editor follows its field: a fixed list works with the arrow keys, from its value or from
// an empty cell; typing replaces the value, even in a list that takes other text; an apostrophe never reaches a
// value; "." types the decimal separator of a number. The check then rewrites, cuts, keeps or empties the value:
// a time is no date, a date no time, a text no number.
TEST_F(ReqFieldsTest, eachRowsEditorFiltersTheKeysAndTheCheckRunsWhenItCloses)
{
    const struct {
        const char *kind, *validation;
        std::vector<std::string> items;
        const char* defaultValue;
        Qt::Key start;
        const char *editor, *typed, *result, *box; // typed "v": the Down key
    } cases[] = {{"STRING", "FIXED", {"Zeta", "Alpha"}, "", Qt::Key_F2, "fixed", "v", "Zeta", ""},
                 {"STRING", "Fixed", {"Pass", "Fail"}, "Pass", Qt::Key_Return, "fixed", "v", "Fail", ""},
                 {"STRING", "NONE", {"X"}, "U_NAM", Qt::Key_F2, "text", "O'Brien's", "OBriens", ""},
                 {"STRING", "PICK", {"Pass"}, "U_NAM", Qt::Key_Return, "editable", "Marginal", "Marginal", ""},
                 {"STRING", "pick", {"Pass"}, "", Qt::Key_unknown, "editable", "'O'Brien", "OBrien", ""},
                 {"DECIMAL4", "NONE", {}, "U_NAM", Qt::Key_unknown, "text", ".5", ",5", ""},
                 {"DATE", "NONE", {}, "", Qt::Key_Return, "text", "3.4.2026", "2026-04-03", ""},
                 {"STRING", "NONE", {}, "U_NAM", Qt::Key_F2, "text", "Calibrated-OK", "Calibrated", "Value Too Long"},
                 {"TIME", "NONE", {}, "x", Qt::Key_F2, "text", "3.4.2026", "", "Time Value Invalid"},
                 {"INT", "NONE", {}, "1", Qt::Key_F2, "text", "abc", "", "Numeric Value Invalid"}};
    std::vector<Row> fields;
    for (const auto& c : cases) {
        fields.push_back({"C" + std::to_string(fields.size()), c.kind, 10, c.validation, c.items, c.defaultValue});
    }
    make(fields, true, RegionalSettings::deDE());
    int row = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.validation) + " " + c.typed);
        const auto before = boxes.titles.size();
        edit(++row, c.start, std::string(c.typed) == "v" ? "" : c.typed, false);
        QWidget* editor = openEditor();
        ASSERT_NE(editor, nullptr);
        auto* combo = qobject_cast<QComboBox*>(editor);
        EXPECT_EQ(combo                              ? (combo->isEditable() ? "editable" : "fixed")
                  : qobject_cast<QLineEdit*>(editor) ? "text"
                                                     : "",
                  std::string(c.editor));
        if (std::string(c.typed) == "v") {
            QTest::keyClick(editor, Qt::Key_Down);
        }
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        settle();
        EXPECT_EQ(value(row), c.result);
        EXPECT_EQ(boxes.titles.mid(before).join(""), c.box);
    }
    for (int column : {0, 1}) {
        edit(1, Qt::Key_F2, "x", false, column);
        EXPECT_EQ(openEditor(), nullptr) << "column " << column << " is not edited";
    }
}

// Modal, as the required-fields operation runs it. The close box leaves the caller no values and runs no
// check. OK checks a value still being edited first, so one emptied as invalid is then missing, and a cleared
// number is missing, never invalid; a value typed and not yet committed is stored. OK refuses an empty value,
// the first row's and the last row's alike, and hides the window for the caller to read the grid.
TEST_F(ReqFieldsTest, okHidesOnceEveryValueIsThereAndTheCloseBoxGivesNone)
{
    const std::vector<Row> fields = {{"C2401", "INT", 10, "NONE", {}, "7"},
                                     {"C2402", "STRING", 10, "NONE", {}, "U_NAM"},
                                     {"C2403", "STRING", 10, "NONE", {}, " "},
                                     {"C2404", "STRING", 10, "NONE", {}, ""}};
    make(fields);
    workWhileModal(*form, [&] {
        edit(1, Qt::Key_F2, "typed", false);
        form->close();
    });
    EXPECT_TRUE(boxes.titles.empty()) << "no check on the way out";
    EXPECT_EQ(form->Rows() + form->colReqFields.Count(), 1) << "the header row only";

    make(fields);
    form->show(); // only the first paint adds rows
    form->hide();
    workWhileModal(*form, [&] {
        edit(1, Qt::Key_F2, "abc", false);
        altO();
        altO(); // the emptied cell, opened again for typing, left as it is
        edit(1, Qt::Key_unknown, "12", false);
        altO();
        edit(4, Qt::Key_unknown, "Done", false);
        altO();
    });
    EXPECT_EQ(boxes.titles, QStringList({"Numeric Value Invalid", "Value Missing", "Value Missing", "Value Missing"}));
    EXPECT_EQ(boxes.texts.value(1), "You must enter a value for the field 'C2401'.");
    EXPECT_EQ(boxes.texts.value(3), "You must enter a value for the field 'C2404'.");
    EXPECT_FALSE(form->isVisible());
    ASSERT_EQ(form->Rows(), 5) << "hidden, not unloaded: the caller reads the grid";
    EXPECT_EQ(value(1) + "|" + value(2) + "|" + value(3) + "|" + value(4), "12|<enter user name>| |Done")
        << "prompts and blanks count";
}

} // namespace
} // namespace ob::test
