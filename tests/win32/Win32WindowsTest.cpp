// The three Win32 windows, worked through their messages from a second thread while this one runs the modal loop.

#include "gui/win32/Win32LoginDialog.h"
#include "gui/win32/Win32OutputWindow.h"
#include "gui/win32/Win32RequiredFieldsEditor.h"
#include "gui/win32/Win32WindowSystem.h"
#include "platform/win32/Wide.h"
#include "support/EditorFields.h"
#include "support/Win32Operator.h"

#include <winspool.h>

#include <gtest/gtest.h>

#include <functional>
#include <thread>

namespace ob::test {
namespace {

using win32::Win32LoginDialog;
using win32::Win32RequiredFieldsEditor;
using Boxes = std::vector<SeenBox>;

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

TEST_F(Win32Windows, theOutputWindowScrollsToLongLinesAndSaysWhereTheLogIsWithoutAPrinter)
{
    auto output = windows.CreateOutputWindow();
    auto& window = dynamic_cast<win32::Win32OutputWindow&>(*output);
    HWND list = ::GetDlgItem(window.hwnd(), win32::Win32OutputWindow::kListId);
    output->AddItem("first");
    output->AddItem(std::string(400, 'x'));
    EXPECT_EQ(output->ListCount(), 2);
    RECT placed;
    ::GetClientRect(list, &placed);
    EXPECT_GT(::SendMessageW(list, LB_GETHORIZONTALEXTENT, 0, 0), placed.right) << "a long line can be scrolled to";
    ::SetWindowPos(window.hwnd(), nullptr, 0, 0, 5, 5, SWP_NOZORDER | SWP_NOMOVE); // minimised: no negative size

    DWORD size = 0;
    ::GetDefaultPrinterW(nullptr, &size);
    if (size != 0)
        GTEST_SKIP() << "a default printer exists: nothing is printed in a test";
    ::SendMessageW(window.hwnd(), WM_COMMAND, MAKEWPARAM(win32::Win32OutputWindow::kListId, LBN_DBLCLK),
                   reinterpret_cast<LPARAM>(list));
    ASSERT_EQ(output->ListCount(), 3);
    wchar_t last[200] = {};
    ::SendMessageW(list, LB_GETTEXT, 2, reinterpret_cast<LPARAM>(last));
    EXPECT_EQ(win32::narrow(last), "No printer is installed: the log can be read in C:\\lab\\OB32PYII.txt");
}

TEST_F(Win32Windows, theLoginDialogReturnsWhatTheOperatorConfirmedAndNothingElse)
{
    const auto item = [](HWND dialog, int id) { return ::GetDlgItem(dialog, id); };
    Boxes seen;
    const auto box = [&] { seen.push_back(answerBox()); };
    const struct {
        const char* name;
        std::string user, password, details;
        std::function<void(HWND dialog)> operate;
        bool cancelled;
        std::string userOut, passwordOut;
        Boxes boxes;
    } cases[] = {
        {"storedUserNameTypedPasswordEnter", "tech1", "old", "", [&](HWND d) {
             GUITHREADINFO info{};
             info.cbSize = sizeof info;
             ::GetGUIThreadInfo(::GetWindowThreadProcessId(d, nullptr), &info);
             EXPECT_EQ(info.hwndFocus, item(d, Win32LoginDialog::kPassword)) << "the password box has the focus";
             type(item(d, Win32LoginDialog::kPassword), "n'w 2"); // replaces the selected text
             press(item(d, Win32LoginDialog::kPassword), VK_RETURN);
         }, false, "tech1", "n'w 2", {}},
        {"okReportsTheMissingUserNameThenThePassword", "", "", "", [&](HWND d) {
             click(item(d, IDOK));
             box();
             type(item(d, Win32LoginDialog::kUserName), " ");
             click(item(d, IDOK));
             box();
             type(item(d, Win32LoginDialog::kPassword), "p");
             click(item(d, IDOK));
         }, false, " ", "p",
         {{"User Name Missing", "Enter the user name to use to login to the ORBISTA database."},
          {"Password Missing", "Enter the password to use to login to the ORBISTA database."}}},
        {"escapeCancels", "tech1", "", "", [&](HWND d) {
             type(item(d, Win32LoginDialog::kPassword), "typed");
             press(item(d, Win32LoginDialog::kPassword), VK_ESCAPE);
         }, true, "tech1", "", {}},
        {"theCloseBoxCancels", "tech1", "old", "", [&](HWND d) {
             type(item(d, Win32LoginDialog::kPassword), "typed");
             ::PostMessageW(d, WM_CLOSE, 0, 0);
         }, true, "tech1", "old", {}},
        {"detailsThenCancelDropsWhatWasTyped", "tech1", "", "08001 - could not connect to server", [&](HWND d) {
             type(item(d, Win32LoginDialog::kUserName), "someone");
             click(item(d, Win32LoginDialog::kDetails));
             box();
             click(item(d, IDCANCEL));
         }, true, "tech1", "", {{"Login Error Details", "08001 - could not connect to server"}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        seen.clear();
        auto made = windows.CreateLoginDialog();
        auto& dialog = dynamic_cast<Win32LoginDialog&>(*made);
        std::optional<Credentials> answer;
        whileModal(dialog.hwnd(), [&] { answer = dialog.ask({c.user, c.password}, "Login failed", c.details); }, [&] {
            HWND d = dialog.hwnd();
            EXPECT_EQ(textOf(item(item(d, Win32LoginDialog::kTabs), Win32LoginDialog::kMessage)), "Login failed");
            EXPECT_EQ(::SendMessageW(item(d, Win32LoginDialog::kPassword), EM_GETPASSWORDCHAR, 0, 0), L'*');
            EXPECT_EQ(::IsWindowVisible(item(d, Win32LoginDialog::kDetails)) != FALSE, !c.details.empty());
            c.operate(d);
        });
        EXPECT_EQ(!answer, c.cancelled);
        if (answer) {
            EXPECT_EQ(answer->userName, c.userOut);
            EXPECT_EQ(answer->password, c.passwordOut);
        }
        EXPECT_EQ(seen, c.boxes);
    }
}

std::unique_ptr<RequiredFieldsEditor> editorWith(win32::Win32WindowSystem& windows,
                                                 const std::vector<EditorField>& fields)
{
    auto editor = windows.CreateReqFieldsEditor();
    addFields(*editor, fields);
    return editor;
}

// The value cell of the grid's `row` (0-based), read while the window is up.
std::string cellText(HWND grid, int row)
{
    wchar_t text[256] = {};
    LVITEMW item{};
    item.iSubItem = 2;
    item.pszText = text;
    item.cchTextMax = 256;
    ::SendMessageW(grid, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    return win32::narrow(text);
}

// Goes down to `row`, opens its value and types `keys` ("\x28": the Down key), then Enter.
void editRow(HWND editor, int row, const std::string& keys)
{
    HWND grid = ::GetDlgItem(editor, Win32RequiredFieldsEditor::kGrid);
    for (int i = 0; i < row; ++i)
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

TEST_F(Win32Windows, eachValueIsCheckedByItsTypeWhenItsCellIsLeft)
{
    // A row per path through the window: a box, the key filter, the regional settings, each kind of editor.
    const std::vector<EditorField> fields{{"C2401", "STRING"}, {"C2402", "DATE"}, {"C2403", "DECIMAL4"},
        {"C2404", "STRING", 20, "PICK", {"A", "B"}}, {"C2405", "STRING", 20, "FIXED", {"X", "Y"}, "X"}};
    struct Case {
        int row;
        std::string keys, cell;
        Boxes boxes;
        regional::RegionalSettings regional = regional::RegionalSettings::enUS();
    };
    const auto deDE = regional::RegionalSettings::deDE();
    const std::vector<Case> cases{
        {0, "Calibrated-OK-2026", "Calibrated",
         {{"Value Too Long", "The value entered for C2401 is too long. It has been truncated to 10 characters."}}},
        {0, "it's", "its", {}},
        {1, "3/4/2026", "2026-04-03", {}, deDE},
        {2, "1.5", "1,5", {}, deDE},
        {3, "Oven 3", "Oven 3", {}},
        {4, "\x28", "Y", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(fields[static_cast<std::size_t>(c.row)].name + " " + c.keys);
        win32::Win32WindowSystem local("C:\\lab", c.regional);
        auto editor = editorWith(local, fields);
        auto& window = dynamic_cast<Win32RequiredFieldsEditor&>(*editor);
        Boxes seen;
        whileModal(window.hwnd(), [&] { editor->ShowModal(); }, [&] {
            HWND e = window.hwnd();
            HWND grid = ::GetDlgItem(e, Win32RequiredFieldsEditor::kGrid);
            std::thread answer([&] {
                if (!c.boxes.empty())
                    seen.push_back(answerBox());
            });
            editRow(e, c.row, c.keys);
            answer.join();
            ASSERT_TRUE(waitForChild(e, Win32RequiredFieldsEditor::kCell, true));
            EXPECT_EQ(cellText(grid, c.row), c.cell);
            // The close box unloads the window without any check.
            ::PostMessageW(e, WM_CLOSE, 0, 0);
        });
        EXPECT_EQ(seen, c.boxes);
        EXPECT_EQ(editor->Rows(), 1) << "closed: the caller finds no field rows";
    }
}

TEST_F(Win32Windows, okNamesTheFirstMissingValueOpensItAndTheTickGoesOnMeanwhile)
{
    auto editor = editorWith(windows, {{"C2401", "STRING", 20, "NONE", {}, "<enter user name>"},
                                       {"C2402", "STRING", 20}});
    auto& window = dynamic_cast<Win32RequiredFieldsEditor&>(*editor);
    auto timer = windows.CreateTimer();
    int ticks = 0;
    timer->ThatTime = [&] { ++ticks; };
    timer->setInterval(50);
    Boxes seen;
    whileModal(window.hwnd(), [&] { editor->ShowModal(); }, [&] {
        HWND e = window.hwnd();
        // Escape on the grid does nothing: the window has no Cancel button.
        press(::GetDlgItem(e, Win32RequiredFieldsEditor::kGrid), VK_ESCAPE);
        EXPECT_TRUE(::IsWindowVisible(e));
        click(::GetDlgItem(e, IDOK));
        seen.push_back(answerBox());
        // Straight to the missing value, ready for typing.
        ASSERT_TRUE(waitForChild(e, Win32RequiredFieldsEditor::kCell));
        type(::GetDlgItem(e, Win32RequiredFieldsEditor::kCell), "x");
        click(::GetDlgItem(e, IDOK));
    });
    timer->setInterval(0);
    EXPECT_EQ(seen, (Boxes{{"Value Missing", "You must enter a value for the field 'C2402'."}}));
    ASSERT_EQ(editor->Rows(), 3);
    EXPECT_EQ(editor->TextMatrix(1, 2), "<enter user name>");
    EXPECT_EQ(editor->TextMatrix(2, 0), "C2402");
    EXPECT_EQ(editor->TextMatrix(2, 2), "x");
    EXPECT_GT(ticks, 0) << "the tick went on while the window was open";
}

// After "Value Missing" the empty cell opens for typing; Enter on it unchanged, or OK again, reports it missing
// again and never as an invalid number nobody typed.
TEST_F(Win32Windows, anEmptyNumberIsMissingNotInvalid)
{
    auto editor = editorWith(windows, {{"C2401", "INT", 20}});
    auto& window = dynamic_cast<Win32RequiredFieldsEditor&>(*editor);
    Boxes seen;
    whileModal(window.hwnd(), [&] { editor->ShowModal(); }, [&] {
        HWND e = window.hwnd();
        click(::GetDlgItem(e, IDOK));
        seen.push_back(answerBox());
        ASSERT_TRUE(waitForChild(e, Win32RequiredFieldsEditor::kCell));
        press(::GetDlgItem(e, Win32RequiredFieldsEditor::kCell), VK_RETURN); // committed unchanged
        ASSERT_TRUE(waitForChild(e, Win32RequiredFieldsEditor::kCell, true));
        click(::GetDlgItem(e, IDOK));
        seen.push_back(answerBox());
        ASSERT_TRUE(waitForChild(e, Win32RequiredFieldsEditor::kCell));
        click(::GetDlgItem(e, IDOK)); // leaving the open cell for OK commits it unchanged
        seen.push_back(answerBox());
        ASSERT_TRUE(waitForChild(e, Win32RequiredFieldsEditor::kCell));
        type(::GetDlgItem(e, Win32RequiredFieldsEditor::kCell), "12");
        click(::GetDlgItem(e, IDOK));
    });
    const SeenBox missing{"Value Missing", "You must enter a value for the field 'C2401'."};
    EXPECT_EQ(seen, (Boxes{missing, missing, missing}));
    ASSERT_EQ(editor->Rows(), 2);
    EXPECT_EQ(editor->TextMatrix(1, 2), "12");
}

} // namespace
} // namespace ob::test
