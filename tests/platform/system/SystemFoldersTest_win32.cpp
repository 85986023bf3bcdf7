#include "platform/system/SystemFolders.h"
#include "platform/win32/Wide.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

using ob::test::TempDir;
namespace fs = std::filesystem;

TEST(SystemFolders, theWindowsFolderIsTheSystemsUnlessOneIsNamed)
{
    wchar_t system[MAX_PATH];
    const UINT n = ::GetWindowsDirectoryW(system, MAX_PATH);
    ::SetEnvironmentVariableW(L"OB32PYII_WINDIR", nullptr);
    EXPECT_EQ(ob::sys::windowsFolder(), ob::win32::narrow(std::wstring_view(system, n)));

    TempDir dir;
    const auto named = dir.file("Windows");
    ::SetEnvironmentVariableW(L"OB32PYII_WINDIR", ob::win32::wide(named).c_str());
    EXPECT_EQ(ob::sys::windowsFolder(), named);
    EXPECT_TRUE(fs::is_directory(named));
    ::SetEnvironmentVariableW(L"OB32PYII_WINDIR", nullptr);
}

TEST(SystemFolders, programFolderHoldsTheRunningExecutable)
{
    wchar_t exe[MAX_PATH];
    const DWORD n = ::GetModuleFileNameW(nullptr, exe, MAX_PATH);
    const fs::path path(std::wstring(exe, n));
    EXPECT_EQ(fs::path(ob::win32::wide(ob::sys::programFolder())), path.parent_path());
    EXPECT_TRUE(fs::exists(fs::path(ob::win32::wide(ob::sys::programFolder())) / path.filename()));
}

TEST(SystemFolders, buildPathJoinsWithOneSeparator)
{
    EXPECT_EQ(ob::sys::buildPath("C:\\Windows", "OB32PYII.INI"), "C:\\Windows\\OB32PYII.INI");
    EXPECT_EQ(ob::sys::buildPath("C:\\", "OB32PYII.INI"), "C:\\OB32PYII.INI");
    EXPECT_EQ(ob::sys::buildPath("Z:/tmp/", "x"), "Z:/tmp/x");
    EXPECT_EQ(ob::sys::buildPath("/tmp/a", "x"), "/tmp/a/x");
    EXPECT_EQ(ob::sys::buildPath("", "x"), "x");
}
