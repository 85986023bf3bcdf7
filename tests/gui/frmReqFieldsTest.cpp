// The required fields editor driven like an operator: the grid it shows, how
// each kind of field is edited, the checks after an edit, and what OK and the
// close box leave for the caller.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "gui/Operator.h"
#include "gui/QtText.h"
#include "gui/frmReqFields.h"

namespace ob::test {
namespace {

using gui::frmReqFields;
using regional::RegionalSettings;

const char* const kInstructionsBefore =
    "The following required fields must be populated to create a new calibration record for asset ";

struct FieldSpec {
    std::string name;
    std::string type = "STRING";
    int maxLength = 50;
    std::string validation = "NONE";
    std::vector<std::string> items = {};
    std::string defaultValue = {};
    std::string title = "A title";
};

class ReqFieldsTest : public testing::Test {
protected:
    void make(const RegionalSettings& regional = RegionalSettings::enUS())
    {
        form = std::make_unique<frmReqFields>(*windows, regional, 2026);
    }
    // As the required-fields operation fills it, then shown (not modal).
    void open(const std::vector<FieldSpec>& fields, const RegionalSettings& regional = RegionalSettings::enUS())
    {
        make(regional);
        fill(fields);
        form->show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    }
    void fill(const std::vector<FieldSpec>& fields)
    {
        for (const FieldSpec& spec : fields) {
            auto field = std::make_shared<CFieldInfo>();
            field->setFieldName(spec.name);
            field->setFieldTitle(spec.title);
            field->setFieldType(spec.type);
            field->setMaxLength(spec.maxLength);
            field->setValidation(spec.validation);
            field->ValidationItems() = spec.items;
            field->setDefaultValue(spec.defaultValue, regional::CivilDateTime{2026, 5, 12, 14, 3, 27});
            form->colReqFields.AddReference(field, spec.name);
        }
    }
    QTableWidget* grid() { return control<QTableWidget>(*form, "vsfgReqFields"); }
    QPushButton* okButton() { return control<QPushButton>(*form, "cmdOKCancelHelp_0"); }

    // The editor of the cell being edited, or nullptr when none is open.
    QWidget* openEditor()
    {
        // A closed editor is hidden at once and deleted later.
        for (QWidget* w : grid()->findChildren<QWidget*>(QStringLiteral("valueEditor"))) {
            if (w->isVisible()) {
                return w;
            }
        }
        return nullptr;
    }
    // F2 on the cell, as the operator starts an edit.
    QWidget* startEditing(int gridRow, int column = 2)
    {
        // After a message box the window manager hands the focus back; the
        // offscreen platform does not, so the operator clicks the window.
        form->activateWindow();
        if (!QTest::qWaitForWindowActive(form.get())) {
            ADD_FAILURE() << "the editor window is not active";
        }
        grid()->setCurrentCell(gridRow - 1, column);
        QTest::keyClick(grid(), Qt::Key_F2);
        return openEditor();
    }
    QWidget* focused() const
    {
        QWidget* w = QApplication::focusWidget();
        return w != nullptr ? w : form.get();
    }
    // Key by key to whatever has the focus, as a keyboard does: the first key
    // may open the editor, the next ones go to it.
    void type(const QString& text)
    {
        for (const QChar ch : text) {
            QTest::keyClicks(focused(), QString(ch));
        }
    }
    // Enter commits the edit; the check after it runs once the editor is gone.
    void commit()
    {
        QTest::keyClick(focused(), Qt::Key_Return);
        settle();
    }
    std::string value(int gridRow) const { return form->TextMatrix(gridRow, 2); }

    std::shared_ptr<gui::QtWindowSystem> windows = operatorWindows();
    BoxAnswerer boxes;
    std::unique_ptr<frmReqFields> form;
};

TEST_F(ReqFieldsTest, loadsWithItsCaptionControlsAndAHeaderOnlyGrid)
{
    make();
    EXPECT_EQ(form->windowTitle(), "Required Fields");
    EXPECT_EQ(control<QLabel>(*form, "lblInstructions")->text(), kInstructionsBefore);
    auto* tabs = control<QTabWidget>(*form, "tabSettings");
    ASSERT_EQ(tabs->count(), 1);
    EXPECT_EQ(tabs->tabText(0), "Fields");
    EXPECT_EQ(okButton()->text(), "&OK");
    ASSERT_EQ(form->Rows(), 1);
    EXPECT_EQ(form->TextMatrix(0, 0), "Field");
    EXPECT_EQ(form->TextMatrix(0, 1), "Title");
    EXPECT_EQ(form->TextMatrix(0, 2), "Value");
    QStringList shownHeader;
    for (int col = 0; col < grid()->columnCount(); ++col) {
        shownHeader << grid()->horizontalHeaderItem(col)->text();
    }
    EXPECT_EQ(shownHeader, QStringList({"Field", "Title", "Value"}));
}

TEST_F(ReqFieldsTest, firstPaintAddsOneRowPerFieldInCollectionOrder)
{
    make();
    form->setInstructions(std::string(kInstructionsBefore) + "A-1001.");
    fill({{"C2402", "STRING", 10, "NONE", {}, "Pass", "Result"},
          {"C2401", "DATE", 10, "NONE", {}, "", "Due"},
          {"C2410", "STRING", 20, "NONE", {}, "U_NAM", "Operator"}});
    EXPECT_EQ(form->Rows(), 1) << "rows come with the first paint";
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    EXPECT_EQ(control<QLabel>(*form, "lblInstructions")->text(),
              "The following required fields must be populated to create a new calibration record for asset A-1001.");
    ASSERT_EQ(form->Rows(), 4);
    const std::vector<std::vector<std::string>> expected{
        {"C2402", "Result", "Pass"}, {"C2401", "Due", ""}, {"C2410", "Operator", "<enter user name>"}};
    for (int row = 1; row < form->Rows(); ++row) {
        for (int col = 0; col < 3; ++col) {
            EXPECT_EQ(form->TextMatrix(row, col), expected[row - 1][col]) << row << "," << col;
        }
    }
    EXPECT_TRUE(control<QWidget>(*form, "framSettings_0")->isVisible());
    EXPECT_TRUE(form->windowFlags() & Qt::WindowStaysOnTopHint);

    form->hide();
    form->show();
    EXPECT_EQ(form->Rows(), 4) << "only the first paint adds rows";
}

// Columns 0 and 1 are 800 and 2000 twips; the value column takes the rest of
// the grid less 400 twips. A pixel is 15 twips, so widths agree to within one.
TEST_F(ReqFieldsTest, columnWidthsInTwips)
{
    open({{"C2401"}});
    const int gridTwips = grid()->width() * 15;
    const int expected[] = {800, 2000, gridTwips - 800 - 2000 - 400};
    for (int col = 0; col < 3; ++col) {
        EXPECT_NEAR(grid()->columnWidth(col) * 15, expected[col], 14) << col;
    }
}

TEST_F(ReqFieldsTest, onlyTheValueColumnCanBeEdited)
{
    open({{"C2401", "STRING", 10, "NONE", {}, "Pass"}});
    for (int col : {0, 1}) {
        EXPECT_EQ(startEditing(1, col), nullptr) << "F2 in column " << col;
        type("x");
        EXPECT_EQ(openEditor(), nullptr) << "typing in column " << col;
        const QRect cell = grid()->visualItemRect(grid()->item(0, col));
        QTest::mouseDClick(grid()->viewport(), Qt::LeftButton, {}, cell.center());
        EXPECT_EQ(openEditor(), nullptr) << "double-click in column " << col;
    }
    EXPECT_EQ(form->TextMatrix(1, 0), "C2401");
    EXPECT_EQ(form->TextMatrix(1, 1), "A title");
    EXPECT_NE(startEditing(1, 2), nullptr);
}

enum class EditorKind { Text, EditableList, FixedList };

struct KindCase {
    const char* validation;
    std::vector<std::string> items;
    EditorKind editor;
};

void PrintTo(const KindCase& c, std::ostream* os)
{
    *os << caseName({c.validation, std::to_string(c.items.size()), "items"});
}

class ReqFieldsEditorKind : public ReqFieldsTest, public testing::WithParamInterface<KindCase> { };

TEST_P(ReqFieldsEditorKind, followsTheValidationOfTheRowsField)
{
    const KindCase& c = GetParam();
    open({{"C2401", "STRING", 10, c.validation, c.items}});
    QWidget* editor = startEditing(1);
    ASSERT_NE(editor, nullptr);
    auto* combo = qobject_cast<QComboBox*>(editor);
    switch (c.editor) {
    case EditorKind::Text:
        EXPECT_EQ(combo, nullptr);
        EXPECT_NE(qobject_cast<QLineEdit*>(editor), nullptr);
        break;
    case EditorKind::EditableList:
    case EditorKind::FixedList: {
        ASSERT_NE(combo, nullptr);
        EXPECT_EQ(combo->isEditable(), c.editor == EditorKind::EditableList);
        std::vector<std::string> offered;
        for (int i = 0; i < combo->count(); ++i) {
            offered.push_back(gui::fromQ(combo->itemText(i)));
        }
        EXPECT_EQ(offered, c.items) << "the list, in collection order";
        break;
    }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, ReqFieldsEditorKind,
    testing::Values(KindCase{"NONE", {"A", "B"}, EditorKind::Text}, KindCase{"NEVER", {"A"}, EditorKind::Text},
                    KindCase{"ROOT", {"A", "B"}, EditorKind::Text}, KindCase{"LINKED", {"A"}, EditorKind::Text},
                    KindCase{"SIMPLE", {"A"}, EditorKind::Text},
                    KindCase{"PICK", {"Pass", "Fail", "N/A"}, EditorKind::EditableList},
                    KindCase{"pick", {"Pass"}, EditorKind::EditableList}, KindCase{"PICK", {}, EditorKind::Text},
                    KindCase{"FIXED", {"Pass", "Fail", "N/A"}, EditorKind::FixedList},
                    KindCase{"Fixed", {"Zeta", "Alpha"}, EditorKind::FixedList},
                    KindCase{"FIXED", {}, EditorKind::Text}));

// Each row's editor follows its own field: a list set up for one row does
// not carry over to the next.
TEST_F(ReqFieldsTest, theEditorIsChosenAgainForEachCell)
{
    open({{"C2401", "STRING", 10, "FIXED", {"Pass", "Fail"}},
          {"C2402", "STRING", 10, "NONE", {"X"}},
          {"C2403", "STRING", 10, "PICK", {"Y"}}});
    EXPECT_NE(qobject_cast<QComboBox*>(startEditing(1)), nullptr);
    QTest::keyClick(focused(), Qt::Key_Escape);
    EXPECT_EQ(qobject_cast<QComboBox*>(startEditing(2)), nullptr);
    QTest::keyClick(focused(), Qt::Key_Escape);
    auto* pick = qobject_cast<QComboBox*>(startEditing(3));
    ASSERT_NE(pick, nullptr);
    EXPECT_TRUE(pick->isEditable());
    EXPECT_EQ(pick->count(), 1);
}

// Typing replaces the value, whether the edit starts with F2, Enter or the
// first typed key, in a list that takes other text as in a plain text cell.
TEST_F(ReqFieldsTest, typedTextReplacesTheValue)
{
    open({{"C2401", "STRING", 20, "PICK", {"Pass", "Fail"}, "U_NAM"}, {"C2402", "STRING", 20, "NONE", {}, "U_NAM"}});
    for (const int row : {1, 2}) {
        for (const Qt::Key start : {Qt::Key_F2, Qt::Key_Return, Qt::Key_unknown}) {
            grid()->setCurrentCell(row - 1, 2);
            if (start != Qt::Key_unknown) {
                QTest::keyClick(grid(), start);
                ASSERT_NE(openEditor(), nullptr) << row << " " << start;
            }
            type("Marginal");
            commit();
            EXPECT_EQ(value(row), "Marginal") << row << " " << start;
            grid()->item(row - 1, 2)->setText(QStringLiteral("<enter user name>"));
        }
    }
    EXPECT_TRUE(boxes.boxes.empty());
}

// The list starts at the cell's value; from an empty cell the first step
// down chooses the first item.
TEST_F(ReqFieldsTest, fixedListValueIsChosenFromTheList)
{
    const struct {
        const char* start;
        const char* chosen;
    } cases[] = {{"Pass", "Fail"}, {"", "Pass"}};
    for (const auto& c : cases) {
        open({{"C2401", "STRING", 20, "FIXED", {"Pass", "Fail", "N/A"}, c.start}});
        auto* combo = qobject_cast<QComboBox*>(startEditing(1));
        ASSERT_NE(combo, nullptr);
        EXPECT_EQ(combo->currentText(), c.start);
        QTest::keyClick(focused(), Qt::Key_Down);
        commit();
        EXPECT_EQ(value(1), c.chosen) << "from '" << c.start << "'";
    }
}

struct KeyCase {
    const char* type;
    const char* validation;
    const char* typed;
    const char* result;
};

void PrintTo(const KeyCase& c, std::ostream* os)
{
    *os << caseName({c.type, c.validation, c.typed});
}

class ReqFieldsKeys : public ReqFieldsTest, public testing::WithParamInterface<KeyCase> { };

// Under German settings: an apostrophe never reaches a value, and "." types
// the decimal separator in numeric fields only.
TEST_P(ReqFieldsKeys, areFilteredWhileEditing)
{
    const KeyCase& c = GetParam();
    open({{"C2401", c.type, 50, c.validation, {"Pass", "Fail"}}}, RegionalSettings::deDE());
    ASSERT_NE(startEditing(1), nullptr);
    type(QString::fromUtf8(c.typed));
    commit();
    EXPECT_EQ(value(1), c.result);
    EXPECT_TRUE(boxes.boxes.empty()) << boxes.titles().join(", ").toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    German, ReqFieldsKeys,
    testing::Values(KeyCase{"STRING", "NONE", "O'Brien's", "OBriens"}, KeyCase{"STRING", "PICK", "O'Brien", "OBrien"},
                    KeyCase{"MEMO", "ROOT", "'''", ""}, KeyCase{"DECIMAL4", "NONE", "12.5", "12,5"},
                    KeyCase{"INT", "NONE", "1.5", "1,5"}, KeyCase{"rtdbl", "NONE", "-0.25", "-0,25"},
                    KeyCase{"DECIMAL4", "PICK", "3.5", "3,5"}, KeyCase{"RTDBL", "NONE", "1'2.5", "12,5"},
                    KeyCase{"STRING", "NONE", "v1.2", "v1.2"}, KeyCase{"DATE", "NONE", "3.4.2026", "2026-04-03"}));

// The key that starts the edit goes through the same filter.
TEST_F(ReqFieldsTest, theKeyThatStartsTheEditIsFilteredToo)
{
    open({{"C2401", "DECIMAL4"}, {"C2402", "STRING", 10, "PICK", {"A"}}}, RegionalSettings::deDE());
    grid()->setCurrentCell(0, 2);
    ASSERT_EQ(focused(), grid());
    type(".5");
    ASSERT_NE(openEditor(), nullptr);
    commit();
    EXPECT_EQ(value(1), ",5");
    grid()->setCurrentCell(1, 2);
    ASSERT_EQ(focused(), grid());
    type("'x");
    commit();
    EXPECT_EQ(value(2), "x");
}

TEST_F(ReqFieldsTest, decimalSeparatorFollowsTheSystem)
{
    make(RegionalSettings::deDE());
    EXPECT_EQ(form->GetDecimalSeparator(), ",");
    make(RegionalSettings::enUS());
    EXPECT_EQ(form->GetDecimalSeparator(), ".");
}

struct CheckCase {
    const char* type;
    int maxLength;
    const char* typed;
    RegionalSettings regional;
    const char* title; // nullptr: no box
    const char* text;
    const char* result;
};

void PrintTo(const CheckCase& c, std::ostream* os)
{
    *os << caseName({c.type, std::to_string(c.maxLength), c.typed});
}

class ReqFieldsCheck : public ReqFieldsTest, public testing::WithParamInterface<CheckCase> { };

// The box comes first, with the typed text still in the cell; then the cell
// is cut, emptied or rewritten, and the operator may go on.
TEST_P(ReqFieldsCheck, afterAnEdit)
{
    const CheckCase& c = GetParam();
    open({{"C2401", c.type, c.maxLength}, {"C2402"}}, c.regional);
    std::optional<std::string> cellDuringBox;
    boxes.onBox = [&](const SeenBox&) { cellDuringBox = value(1); };
    ASSERT_NE(startEditing(1), nullptr);
    type(QString::fromUtf8(c.typed));
    commit();
    if (c.title == nullptr) {
        EXPECT_TRUE(boxes.boxes.empty()) << boxes.titles().join(", ").toStdString();
    } else {
        ASSERT_EQ(boxes.boxes.size(), 1U);
        EXPECT_EQ(boxes.boxes[0].title, c.title);
        EXPECT_EQ(boxes.boxes[0].text, c.text);
        EXPECT_FALSE(boxes.boxes[0].critical);
        EXPECT_EQ(cellDuringBox, std::optional<std::string>(c.typed));
    }
    EXPECT_EQ(value(1), c.result);
    EXPECT_NE(startEditing(2), nullptr) << "the operator can move on";
}

const RegionalSettings kUS = RegionalSettings::enUS();
const RegionalSettings kGB = RegionalSettings::enGB();
const RegionalSettings kDE = RegionalSettings::deDE();

INSTANTIATE_TEST_SUITE_P(
    Types, ReqFieldsCheck,
    testing::Values(CheckCase{"STRING", 10, "Calibrated-OK-2026", kUS, "Value Too Long",
                              "The value entered for C2401 is too long. It has been truncated to 10 characters.",
                              "Calibrated"},
                    CheckCase{"MEMO", 10, "Calibrated", kUS, nullptr, nullptr, "Calibrated"},
                    CheckCase{"STRING", 0, "x", kUS, "Value Too Long",
                              "The value entered for C2401 is too long. It has been truncated to 0 characters.", ""},
                    CheckCase{"DATE", 10, "3/4/2026", kUS, nullptr, nullptr, "2026-03-04"},
                    CheckCase{"RO_DATE", 10, "3/4/2026", kGB, nullptr, nullptr, "2026-04-03"},
                    CheckCase{"SRCH_DATE", 10, "31/31/2026", kUS, "Date Value Invalid",
                              "The value entered for C2401 is invalid. Please enter a valid date.", ""},
                    CheckCase{"TIME", 10, "7:5 pm", kUS, nullptr, nullptr, "19:05"},
                    CheckCase{"TIME", 10, "2:30:45 PM", kUS, nullptr, nullptr, "14:30"},
                    CheckCase{"TIME", 10, "25:61", kDE, "Time Value Invalid",
                              "The value entered for C2401 is invalid. Please enter a valid time.", ""},
                    CheckCase{"INT", 10, "12.5", kUS, nullptr, nullptr, "12.5"},
                    CheckCase{"DECIMAL4", 10, "abc", kUS, "Numeric Value Invalid",
                              "The value entered for C2401 is invalid. Please enter a valid numeric value.", ""},
                    CheckCase{"BOOL", 1, "anything, far too long", kUS, nullptr, nullptr, "anything, far too long"}));

// The whole exchange as the required-fields operation runs it: modal, then
// the grid read once the window is gone.
TEST_F(ReqFieldsTest, okRefusesAnEmptyValueAndHidesOnceAllAreThere)
{
    make();
    fill({{"C2401", "STRING", 10, "NONE", {}, "U_NAM"}, {"C2402"}, {"C2403", "STRING", 10, "NONE", {}, " "}});
    bool openAfterRefusal = false;
    QWidget* editorAfterRefusal = nullptr;
    int rowAfterRefusal = -1;
    const bool finished = workWhileModal(
        *form, [&] { form->ShowModal(); },
        [&] {
            QTest::mouseClick(okButton(), Qt::LeftButton);
            openAfterRefusal = form->isVisible();
            // The missing field is selected with its editor open: typing fills it.
            editorAfterRefusal = openEditor();
            rowAfterRefusal = grid()->currentRow();
            form->activateWindow(); // what the window manager does after a box
            EXPECT_TRUE(QTest::qWaitForWindowActive(form.get()));
            type("Done");
            commit();
            QTest::mouseClick(okButton(), Qt::LeftButton);
        });
    ASSERT_TRUE(finished) << boxes.titles().join(", ").toStdString();
    EXPECT_TRUE(openAfterRefusal);
    ASSERT_EQ(boxes.boxes.size(), 1U);
    EXPECT_EQ(boxes.boxes[0].title, "Value Missing");
    EXPECT_EQ(boxes.boxes[0].text, "You must enter a value for the field 'C2402'.");
    EXPECT_NE(editorAfterRefusal, nullptr);
    EXPECT_EQ(rowAfterRefusal, 1);
    EXPECT_FALSE(form->isVisible());
    ASSERT_EQ(form->Rows(), 4) << "hidden, not unloaded: the caller reads the grid";
    EXPECT_EQ(value(1), "<enter user name>") << "a prompt left in place counts as a value";
    EXPECT_EQ(value(2), "Done");
    EXPECT_EQ(value(3), " ") << "blanks count as a value";
}

// Empty values stand out until filled; the narrow title column shows its
// whole title, and what the value may be, on hover.
TEST_F(ReqFieldsTest, emptyValuesAreMarkedAndTitlesTellTheFieldsKind)
{
    const std::string title = "Ambient temperature during the calibration run";
    open({{"C2401", "DATE", 10, "NONE", {}, "", title}, {"C2402", "STRING", 10, "PICK", {"A", "B"}, "x"}});
    const auto marked = [&](int row) { return grid()->item(row, 2)->background() != grid()->item(row, 0)->background(); };
    EXPECT_TRUE(marked(0));
    EXPECT_FALSE(marked(1));
    EXPECT_EQ(grid()->item(0, 1)->toolTip().toStdString(), title + "\nDate");
    EXPECT_EQ(grid()->item(1, 2)->toolTip().toStdString(), "A title\nText, at most 10 characters\nList: A, B, or other text");

    ASSERT_NE(startEditing(1), nullptr);
    type("3/4/2026");
    commit();
    EXPECT_FALSE(marked(0));
    grid()->item(1, 2)->setText({});
    EXPECT_TRUE(marked(1));
}

// Leaving the cell for the OK button commits the edit: its check runs before
// the empty test, so a value cut to nothing is then missing.
TEST_F(ReqFieldsTest, okChecksAValueStillBeingEditedFirst)
{
    make();
    fill({{"C2401", "STRING", 0}});
    const bool finished = workWhileModal(
        *form, [&] { form->ShowModal(); },
        [&] {
            startEditing(1);
            type("x");
            QTest::mouseClick(okButton(), Qt::LeftButton);
            settle();
            form->close();
        });
    ASSERT_TRUE(finished);
    EXPECT_EQ(boxes.titles(), QStringList({"Value Too Long", "Value Missing"}));
}

TEST_F(ReqFieldsTest, closeBoxGivesTheCallerNoValues)
{
    make();
    form->setInstructions(std::string(kInstructionsBefore) + "A-1001.");
    fill({{"C2401", "STRING", 10, "NONE", {}, "Pass"}, {"C2402"}});
    const bool finished = workWhileModal(
        *form, [&] { form->ShowModal(); },
        [&] {
            startEditing(2);
            type("typed");
            commit();
            form->close();
        });
    ASSERT_TRUE(finished);
    EXPECT_TRUE(boxes.boxes.empty()) << "no check on the way out";
    EXPECT_EQ(form->Rows(), 1);
    EXPECT_EQ(form->colReqFields.Count(), 0);
    EXPECT_EQ(control<QLabel>(*form, "lblInstructions")->text(), kInstructionsBefore);
}

TEST_F(ReqFieldsTest, escapeDoesNotCloseTheWindow)
{
    open({{"C2401", "STRING", 10, "NONE", {}, "Pass"}});
    QTest::keyClick(grid(), Qt::Key_Escape);
    settle();
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(form->Rows(), 2);
}

TEST_F(ReqFieldsTest, withoutAnOperatorDisplayItIsClosedAtOnce)
{
    windows->forceOperatorDisplay(false);
    make();
    fill({{"C2401", "STRING", 10, "NONE", {}, "Pass"}});
    form->ShowModal();
    EXPECT_EQ(form->Rows(), 1);
    EXPECT_EQ(form->colReqFields.Count(), 0);
}

} // namespace
} // namespace ob::test
