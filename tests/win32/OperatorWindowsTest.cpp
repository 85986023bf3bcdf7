// The real Windows program with its windows up: a wrong stored password and three required fields,
// worked by typing into the login dialog and the editor from this process.

#include <gtest/gtest.h>

#include <algorithm>
#include <future>
#include <string>
#include <vector>

#include "gui/win32/Win32LoginDialog.h"
#include "gui/win32/Win32RequiredFieldsEditor.h"
#include "support/RealProgram.h"
#include "support/Win32Operator.h"

namespace ob::test {
namespace {

using win32::Win32LoginDialog;
using win32::Win32RequiredFieldsEditor;

TEST(OperatorWindows, aWrongStoredPasswordAndThreeRequiredFieldsAreCompletedByTyping)
{
    const auto engines = TestDatabase::engines();
    // The SQLite driver takes any password: only a server can refuse one.
    if (std::find(engines.begin(), engines.end(), Engine::PostgreSQL) == engines.end())
        GTEST_SKIP() << "needs the PostgreSQL test server";
    if (!win32::windowsCanBeShown())
        GTEST_SKIP() << "no display: run under xvfb-run";

    TestDatabase db(Engine::PostgreSQL);
    TempDir dir;
    labFolder(db, dir, db.user(), "wrong");
    // Beside the sample's site (a fixed list, "Main lab" by default): an empty date and pick list.
    db.exec("INSERT INTO ob.XE2_Customiz (Fldnum, title, title2, Ireq, Idefault, validation, datacol, ftype, fform, "
            "maxlen, Desktop) VALUES ('2402', 'Seal date', 'Plombe', 'Y', '', 'NONE', 'C2402', 'DATE', '8', '10', "
            "'default'), ('2403', 'Oven', 'Ofen', 'Y', '', 'PICK', 'C2403', 'STRING', '8', '20', 'default')");
    db.exec("INSERT INTO ob.ValField (Fldnum, val) VALUES ('2403', 'Oven 1'), ('2403', 'Oven 2')");
    RealProgram program(dir.path());
    ASSERT_TRUE(program.waitUntilStarted());

    auto login = std::async(std::launch::async, [&] { return send(dir.path(), {"--show", "OBLogin", "/OBLOGIN"}); });
    HWND dialog = waitForWindow("ORBISTA Login");
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(textOf(::GetDlgItem(dialog, Win32LoginDialog::kUserName)), db.user());
    HWND password = ::GetDlgItem(dialog, Win32LoginDialog::kPassword);
    ::SendMessageW(password, EM_SETSEL, 0, -1);
    type(password, db.password());
    press(password, VK_RETURN);
    const auto loggedIn = login.get();
    EXPECT_NE(loggedIn.output.find("Login=True\n"), std::string::npos) << loggedIn.output;

    EXPECT_EQ(send(dir.path(), {"CurrentAsset.Model=PT100-4W", "CurrentAsset.Serial=SN-70211",
                                "CurrentAsset.Mfg=Brennhall", "/LOCASSET"})
                  .exitCode,
              0);
    auto create = std::async(std::launch::async, [&] {
        return send(dir.path(), {"Calibration.AssetNumber=A-1001", "Calibration.StartDate=12/6/2026",
                                 "Calibration.StartTime=9:05:00 AM", "Calibration.EndTime=10:15", "/CREATECAL"});
    });
    HWND editor = waitForWindow("Required Fields");
    ASSERT_NE(editor, nullptr);
    HWND grid = ::GetDlgItem(editor, Win32RequiredFieldsEditor::kGrid);
    const auto cell = [&](bool open) {
        EXPECT_TRUE(waitForChild(editor, Win32RequiredFieldsEditor::kCell, !open));
        return ::GetDlgItem(editor, Win32RequiredFieldsEditor::kCell);
    };
    press(grid, VK_RETURN); // the site: the next entry of its list
    press(cell(true), VK_DOWN);
    press(cell(true), VK_RETURN);
    cell(false);
    press(grid, VK_DOWN); // the seal date, month first
    press(grid, VK_RETURN);
    type(cell(true), "3/4/2026");
    press(cell(true), VK_RETURN);
    cell(false);
    press(grid, VK_DOWN); // the oven: typing on the grid starts the edit; a text of its own
    type(grid, "O");
    HWND ovenText = ::FindWindowExW(cell(true), nullptr, L"Edit", nullptr);
    ASSERT_NE(ovenText, nullptr);
    type(ovenText, "ven 3");
    click(::GetDlgItem(editor, IDOK));
    ASSERT_TRUE(waitUntilShown(editor, false));
    const auto created = create.get();
    EXPECT_EQ(created.exitCode, 0) << created.output;

    EXPECT_EQ(program.terminate(), 0);
    const std::vector<std::vector<std::optional<std::string>>> typed{{"Field service", "2026-03-04", "Oven 3"}};
    EXPECT_EQ(db.rows("SELECT C2401, C2402, C2403 FROM ob.Calibration WHERE ATAG='T0001' AND C2301='2026-12-06'"),
              typed);
    const std::string log = dir.read("OB32PYII.txt");
    EXPECT_NE(log.find("Processing request (timer busy)..."), std::string::npos)
        << "the tick went on while the operator typed";
    EXPECT_EQ(log.find("pwd=" + db.password() + ";"), std::string::npos);
    EXPECT_NE(log.find("Login password: ********"), std::string::npos);
}

} // namespace
} // namespace ob::test
