#include "platform/system/SystemFolders.h"
#include "support/EnvironmentVariable.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>

using ob::test::TempDir;
namespace fs = std::filesystem;

using ob::test::EnvironmentVariable;

TEST(SystemFolders, windirWinsAndIsCreated)
{
    TempDir dir;
    const auto windir = dir.file("Windows");
    EnvironmentVariable w("WINDIR", windir.c_str());
    EnvironmentVariable x("XDG_DATA_HOME", dir.file("data").c_str());
    EXPECT_EQ(ob::sys::windowsFolder(), windir);
    EXPECT_TRUE(fs::is_directory(windir));
    EXPECT_FALSE(fs::exists(dir.file("data")));
}

TEST(SystemFolders, withoutWindirTheXdgDataFolderIsUsed)
{
    TempDir dir;
    EnvironmentVariable w("WINDIR", nullptr);
    EnvironmentVariable x("XDG_DATA_HOME", dir.file("data").c_str());
    EXPECT_EQ(ob::sys::windowsFolder(), dir.file("data/ob32pyii"));
    EXPECT_TRUE(fs::is_directory(dir.file("data/ob32pyii")));
}

TEST(SystemFolders, anEmptyWindirCountsAsUnset)
{
    TempDir dir;
    EnvironmentVariable w("WINDIR", "");
    EnvironmentVariable x("XDG_DATA_HOME", dir.path().c_str());
    EXPECT_EQ(ob::sys::windowsFolder(), dir.file("ob32pyii"));
}

TEST(SystemFolders, withoutXdgDataHomeTheHomeFolderIsUsed)
{
    TempDir dir;
    EnvironmentVariable w("WINDIR", nullptr);
    EnvironmentVariable h("HOME", dir.path().c_str());
    for (const char* xdg : {static_cast<const char*>(nullptr), "", "relative/data"}) {
        EnvironmentVariable x("XDG_DATA_HOME", xdg);
        EXPECT_EQ(ob::sys::windowsFolder(), dir.file(".local/share/ob32pyii"));
        EXPECT_TRUE(fs::is_directory(dir.file(".local/share/ob32pyii")));
    }
}

TEST(SystemFolders, programFolderHoldsTheRunningExecutable)
{
    const auto folder = ob::sys::programFolder();
    const auto exe = fs::read_symlink("/proc/self/exe");
    EXPECT_TRUE(fs::path(folder).is_absolute());
    EXPECT_TRUE(fs::exists(fs::path(folder) / exe.filename()));
}

TEST(SystemFolders, buildPathJoinsWithOneSeparator)
{
    EXPECT_EQ(ob::sys::buildPath("/a/b", "OB32PYII.INI"), "/a/b/OB32PYII.INI");
    EXPECT_EQ(ob::sys::buildPath("/a/b/", "OB32PYII.INI"), "/a/b/OB32PYII.INI");
    EXPECT_EQ(ob::sys::buildPath("/", "x"), "/x");
    EXPECT_EQ(ob::sys::buildPath("", "x"), "x");
}
