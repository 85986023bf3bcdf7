#pragma once
#include "../FailureOf.h"
#include "platform/ini/IniFile.h"
#include "platform/ini/SharedFile.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <filesystem>
#if !defined(_WIN32)
#include <sys/stat.h>
#include <unistd.h>
#endif

using ob::IniFile;
using ob::test::failureOf;
using ob::test::TempDir;
namespace fs = std::filesystem;

inline IniFile iniAt(const std::string& path, const std::string& section = "General")
{
    IniFile ini;
    ini.setFilePath(path);
    ini.setSection(section);
    return ini;
}
