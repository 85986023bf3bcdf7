// The composition root of the Windows program: the Win32 window system and
// the environment; then the start procedure and its wait loop.

#include <windows.h>

#include <commctrl.h>

#include <iostream>
#include <memory>

// <windows.h> names MessageBoxW so; the window system's own member is meant.
#undef MessageBox

#include "gui/win32/UserRegional.h"
#include "gui/win32/Win32WindowSystem.h"
#include "platform/Failure.h"
#include "platform/system/SystemFolders.h"
#include "link/StartProcedure.h"
#include "platform/system/Clock.h"
#include "context/Environment.h"

int main()
{
    // Common controls 6 (the manifest's dependency): list view, tabs.
    INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_LISTVIEW_CLASSES | ICC_TAB_CLASSES | ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&controls);
    // A message queue before anything can post to it.
    MSG message;
    ::PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE);
    try {
        ob::Environment env;
        env.windowsFolder = ob::sys::windowsFolder();
        env.programFolder = ob::sys::programFolder();
        env.logHistoryFolder = ob::sys::logHistoryFolder();
        env.regional = ob::win32::regionalFromUserLocale();
        env.clock = std::make_shared<ob::SystemClock>();
        const auto windows = std::make_shared<ob::win32::Win32WindowSystem>(env.windowsFolder, env.regional, env.clock);
        env.windows = windows;
        wchar_t watch[8] = {};
        const DWORD n = ::GetEnvironmentVariableW(L"OB32PYII_WATCH", watch, 8);
        env.watchExchangeFile = !(n == 3 && ::_wcsicmp(watch, L"off") == 0);
        return ob::RunStartProcedure(env, *windows, *windows);
    } catch (...) {
        const ob::Failure failure = ob::currentFailure();
        std::cerr << "OB32PYII: " << failure.number() << " - " << failure.description() << '\n';
        return 1;
    }
}
