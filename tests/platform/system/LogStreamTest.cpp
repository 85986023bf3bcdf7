#include "platform/Failure.h"
#include "platform/system/LogStream.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#if defined(_WIN32)
#include <windows.h>
#endif

using ob::sys::LogStream;
using ob::test::TempDir;

TEST(LogStream, linesEndWithCrLfAndAreInTheFileAtOnce)
{
    TempDir dir;
    LogStream log(dir.file("OB32PYII.txt"));
    EXPECT_TRUE(log.isOpen());
    EXPECT_EQ(dir.read("OB32PYII.txt"), "");
    log.writeLine("12:00:00\tStarting...");
    EXPECT_EQ(dir.read("OB32PYII.txt"), "12:00:00\tStarting...\r\n");
    log.writeLine("");
    log.writeLine("caf\xE9");
    EXPECT_EQ(dir.read("OB32PYII.txt"), "12:00:00\tStarting...\r\n\r\ncaf\xE9\r\n");
}

TEST(LogStream, textIsInTheSystemsOwnEncoding)
{
    TempDir dir;
    LogStream log(dir.file("OB32PYII.txt"));
    log.writeLine("Locating asset (PT100,S-\xC3\xA9,Hart)...");
#if defined(_WIN32)
    // Windows programs read a file without a byte-order mark in the ANSI code page.
    if (::GetACP() != 1252)
        GTEST_SKIP() << "the expected bytes are Windows-1252's";
    EXPECT_EQ(dir.read("OB32PYII.txt"), "Locating asset (PT100,S-\xE9,Hart)...\r\n");
#else
    EXPECT_EQ(dir.read("OB32PYII.txt"), "Locating asset (PT100,S-\xC3\xA9,Hart)...\r\n");
#endif
}

TEST(LogStream, overwritesAnOldLog)
{
    TempDir dir;
    dir.write("OB32PYII.txt", "the last run's log\r\n");
    LogStream log(dir.file("OB32PYII.txt"));
    EXPECT_EQ(dir.read("OB32PYII.txt"), "");
}

TEST(LogStream, aLogThatCannotBeCreatedFailsWithFileAccess)
{
    TempDir dir;
    try {
        LogStream log(dir.file("missing/OB32PYII.txt"));
        FAIL() << "no failure";
    } catch (const ob::Failure& failure) {
        EXPECT_EQ(failure.number(), 75);
    }
}

TEST(LogStream, writingAfterCloseFailsWithFileAccess)
{
    TempDir dir;
    LogStream log(dir.file("OB32PYII.txt"));
    log.writeLine("last");
    log.close();
    EXPECT_FALSE(log.isOpen());
    EXPECT_THROW(log.writeLine("more"), ob::Failure);
    EXPECT_EQ(dir.read("OB32PYII.txt"), "last\r\n");
}

TEST(LogStream, aFullDeviceFailsWithFileAccess)
{
    LogStream log("/dev/full");
    EXPECT_THROW(log.writeLine("x"), ob::Failure);
}
