#include "gui/win32/Win32WindowSystem.h"
#include "gui/win32/UserRegional.h"
#include "link/Link.h"
#include "platform/ini/IniFile.h"
#include "platform/ini/SharedFile.h"
#include "support/TempDir.h"
#include "support/Win32Operator.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <chrono>
#include <optional>
#include <thread>
#include <tuple>

using ob::win32::Win32WindowSystem;

// A tick that comes while the operator keeps the login dialog open is turned
// away: an Action a hasty peer writes meanwhile waits until /OBLOGIN is done.
TEST(Win32Link, aTickWhileTheOperatorWaitsIsTurnedAway)
{
    ob::test::TempDir dir;
    auto windows = std::make_shared<Win32WindowSystem>(dir.path());
    if (!windows->OperatorDisplayAvailable())
        GTEST_SKIP() << "no display: run under xvfb-run";
    ob::Link link(ob::Environment{dir.path(), dir.path(), ob::regional::RegionalSettings::enUS(),
                                  std::make_shared<ob::SystemClock>(), windows},
                  *windows, *windows);
    dir.write("NEXOVA.INI", "[database]\r\nDB_login=Driver=SQLite3;Database=" + dir.file("orbista.db") + "\r\n");
    dir.write("OB32PYII.INI", "[General]\r\nAction=/OBLOGIN\r\n"); // no stored credentials: the dialog asks
    std::optional<std::string> busy;
    std::thread operatorThread([&] {
        HWND dialog = ob::test::waitForWindow("ORBISTA Login");
        if (dialog == nullptr)
            return;
        ::Sleep(1500); // a tick has come and gone
        ob::ini::updateFile(dir.file("OB32PYII.INI"), [&](const std::string& content) {
            busy = ob::ini::lookup(content, "General", "Busy");
            return ob::ini::assign(content, "General", "Action", "/OBVER");
        });
        ::Sleep(1500);
        ob::test::click(::GetDlgItem(dialog, IDCANCEL));
    });
    const auto log = [&] { return dir.exists("OB32PYII.txt") ? dir.read("OB32PYII.txt") : std::string(); };
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (log().find("Done processing action /OBVER") == std::string::npos &&
           std::chrono::steady_clock::now() < deadline)
        windows->WaitForEvents();
    operatorThread.join();
    EXPECT_EQ(busy, "True");
    const std::string text = log();
    EXPECT_NE(text.find("Processing request (timer busy)..."), std::string::npos) << text;
    EXPECT_NE(text.find("Done processing action /OBVER"), std::string::npos) << text;
    EXPECT_GT(text.find("Processing action /OBVER"), text.find("Done processing action /OBLOGIN")) << text;
}

// Wine's default user locale is en-US when the host has only the C locale.
TEST(UserRegional, theUserLocaleFeedsTheRegionalSettings)
{
    wchar_t name[LOCALE_NAME_MAX_LENGTH];
    ::GetUserDefaultLocaleName(name, LOCALE_NAME_MAX_LENGTH);
    if (std::wstring(name) != L"en-US")
        GTEST_SKIP() << "the user locale is not en-US";
    const auto rs = ob::win32::regionalFromUserLocale();
    const auto us = ob::regional::RegionalSettings::enUS();
    const auto fields = [](const ob::regional::RegionalSettings& r) {
        return std::tie(r.dateOrder, r.shortDatePattern, r.longTimePattern, r.amDesignator, r.pmDesignator,
                        r.decimalSeparator, r.groupingSeparator, r.monthNames, r.monthAbbreviations);
    };
    EXPECT_EQ(fields(rs), fields(us));
}
