// The Win32 login dialog and required fields editor, worked through their messages from a second thread while
// this one runs the modal loop.

#include "gui/win32/Win32LoginDialog.h"
#include "gui/win32/Win32RequiredFieldsEditor.h"
#include "gui/win32/Win32WindowSystem.h"
#include "support/EditorFields.h"
#include "support/Win32Operator.h"

#include <gtest/gtest.h>

#include <functional>
#include <thread>

namespace ob::test {
namespace {

using win32::Win32LoginDialog;
using win32::Win32RequiredFieldsEditor;
using Boxes = std::vector<std::string>; // their titles

class Win32Windows : public testing::Test {
protected:
    void SetUp() override
    {
        if (!windows.OperatorDisplayAvailable())
            GTEST_SKIP() << "no display: run under xvfb-run";
    }
    // Runs `show` here while `operate` works `window` from another thread; a window left open is closed.
    static void whileModal(HWND window, const std::function<void()>& show, const std::function<void()>& operate)
    {
        std::thread operatorThread([&] {
            ASSERT_TRUE(waitUntilShown(window, true));
            operate();
            if (!waitUntilShown(window, false)) {
                ADD_FAILURE() << "the window is still open";
                ::PostMessageW(window, WM_CLOSE, 0, 0);
            }
        });
        show();
        operatorThread.join();
    }
    win32::Win32WindowSystem windows{"C:\\lab"};
};

// OK names the missing entry, the user name first, and then gives exactly what was typed (blanks count). A
// stored user name is given back as shown, and typing replaces the stored password. Cancel, Escape and the
// close box give nothing, whatever was typed.
TEST_F(Win32Windows, theLoginDialogReturnsWhatTheOperatorConfirmedAndNothingElse)
{
    const auto item = [](HWND dialog, int id) { return ::GetDlgItem(dialog, id); };
    const auto ask = [&](const Credentials& given, const std::function<void(HWND)>& operate) {
        auto made = windows.CreateLoginDialog();
        auto& dialog = dynamic_cast<Win32LoginDialog&>(*made);
        std::optional<Credentials> answer;
        whileModal(
            dialog.hwnd(), [&] { answer = dialog.ask(given, "Login failed", ""); }, [&] { operate(dialog.hwnd()); });
        return answer ? answer->userName + "|" + answer->password : std::string("no answer");
    };
    EXPECT_EQ(ask({"tech1", "old"},
                  [&](HWND d) {
                      type(item(d, Win32LoginDialog::kPassword), "n'w 2");
                      click(item(d, IDOK));
                  }),
              "tech1|n'w 2");

    const std::function<void(HWND)> ways[] = {[&](HWND d) { press(item(d, Win32LoginDialog::kPassword), VK_RETURN); },
                                              [&](HWND d) { click(item(d, IDCANCEL)); },
                                              [&](HWND d) { press(item(d, Win32LoginDialog::kPassword), VK_ESCAPE); },
                                              [&](HWND d) { ::PostMessageW(d, WM_CLOSE, 0, 0); }};
    for (const auto& way : ways) {
        SCOPED_TRACE(&way - ways);
        Boxes seen;
        const std::string answer = ask({}, [&](HWND d) {
            click(item(d, IDOK));
            seen.push_back(answerBox());
            type(item(d, Win32LoginDialog::kUserName), " ");
            click(item(d, IDOK));
            seen.push_back(answerBox());
            type(item(d, Win32LoginDialog::kPassword), "p'w ");
            way(d);
        });
        EXPECT_EQ(answer, &way == &ways[0] ? " |p'w " : "no answer");
        EXPECT_EQ(seen, (Boxes{"User Name Missing", "Password Missing"}));
    }
}

// Goes `down` rows, opens the value there and types `keys` ("\x28": the Down key), then Enter.
void editRow(HWND editor, int down, const std::string& keys)
{
    HWND grid = ::GetDlgItem(editor, Win32RequiredFieldsEditor::kGrid);
    for (int i = 0; i < down; ++i)
        press(grid, VK_DOWN);
    press(grid, VK_RETURN);
    ASSERT_TRUE(waitForChild(editor, Win32RequiredFieldsEditor::kCell));
    HWND cell = ::GetDlgItem(editor, Win32RequiredFieldsEditor::kCell);
    if (HWND inner = ::FindWindowExW(cell, nullptr, L"Edit", nullptr))
        cell = inner; // an editable drop-down: its edit box
    if (keys == "\x28")
        press(cell, VK_DOWN);
    else
        type(cell, keys);
    press(cell, VK_RETURN);
}

// A row per path through the window: the key filter, the regional settings (day first, decimal comma), each kind
// of editor, and each check with its box: a text too long is cut; a time is no date, a date no time, a text no
// number, and each is emptied. The close box then leaves the caller no values.
TEST_F(Win32Windows, eachValueIsCheckedByItsTypeWhenItsCellIsLeft)
{
    const struct {
        EditorField field;
        std::string keys, cell, box;
    } cases[] = {
        {{"C0", "STRING"}, "Calibrated-OK-2026", "Calibrated", "Value Too Long"},
        {{"C1", "STRING"}, "it's", "its", ""},
        {{"C2", "DATE"}, "3/4/2026", "2026-04-03", ""},
        {{"C3", "DATE"}, "14:05", "", "Date Value Invalid"},
        {{"C4", "TIME"}, "3.4.2026", "", "Time Value Invalid"},
        {{"C5", "DECIMAL4"}, "1.5", "1,5", ""},
        {{"C6", "INT"}, "abc", "", "Numeric Value Invalid"},
        {{"C7", "STRING", 20, "PICK", {"A", "B"}}, "Oven 3", "Oven 3", ""},
        {{"C8", "STRING", 20, "FIXED", {"X", "Y"}, "X"}, "\x28", "Y", ""},
    };
    std::vector<EditorField> fields;
    for (const auto& c : cases)
        fields.push_back(c.field);
    win32::Win32WindowSystem deDE("C:\\lab", regional::RegionalSettings::deDE());
    auto editor = deDE.CreateReqFieldsEditor();
    addFields(*editor, fields);
    auto& window = dynamic_cast<Win32RequiredFieldsEditor&>(*editor);
    whileModal(
        window.hwnd(), [&] { editor->ShowModal(); },
        [&] {
            HWND e = window.hwnd();
            int row = 0;
            for (const auto& c : cases) {
                SCOPED_TRACE(c.field.name + " " + c.keys);
                std::string seen;
                std::thread answer([&] {
                    if (!c.box.empty())
                        seen = answerBox();
                });
                editRow(e, row == 0 ? 0 : 1, c.keys);
                answer.join();
                ASSERT_TRUE(waitForChild(e, Win32RequiredFieldsEditor::kCell, true));
                EXPECT_EQ(editor->TextMatrix(++row, 2), c.cell);
                EXPECT_EQ(seen, c.box);
            }
            ::PostMessageW(e, WM_CLOSE, 0, 0);
        });
    EXPECT_EQ(editor->Rows(), 1) << "closed: the caller finds no field rows";
}

// OK names the first missing value and opens it for typing; OK again with it still empty names it again, never
// as an invalid number nobody typed. The tick goes on while the window is open (in the program's own loop the
// end-to-end tests' unwatched program shows it).
TEST_F(Win32Windows, okNamesTheFirstMissingValueUntilEveryValueIsThere)
{
    auto editor = windows.CreateReqFieldsEditor();
    addFields(*editor, {{"C2401", "STRING", 20, "NONE", {}, "<enter user name>"}, {"C2402", "INT", 20}});
    auto& window = dynamic_cast<Win32RequiredFieldsEditor&>(*editor);
    auto timer = windows.CreateTimer();
    int ticks = 0;
    timer->ThatTime = [&] { ++ticks; };
    timer->setInterval(50);
    Boxes seen;
    whileModal(
        window.hwnd(), [&] { editor->ShowModal(); },
        [&] {
            HWND e = window.hwnd();
            for (int refused = 0; refused < 2; ++refused) {
                click(::GetDlgItem(e, IDOK));
                seen.push_back(answerBox());
                ASSERT_TRUE(waitForChild(e, Win32RequiredFieldsEditor::kCell));
            }
            type(::GetDlgItem(e, Win32RequiredFieldsEditor::kCell), "12");
            click(::GetDlgItem(e, IDOK));
        });
    EXPECT_EQ(seen, (Boxes{"Value Missing", "Value Missing"}));
    ASSERT_EQ(editor->Rows(), 3);
    EXPECT_EQ(editor->TextMatrix(1, 2) + "|" + editor->TextMatrix(2, 0) + "|" + editor->TextMatrix(2, 2),
              "<enter user name>|C2402|12");
    EXPECT_GT(ticks, 0) << "the tick went on while the window was open";
}

} // namespace
} // namespace ob::test
