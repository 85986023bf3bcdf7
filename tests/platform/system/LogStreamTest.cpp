#include "../FailureOf.h"
#include "platform/system/LogStream.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#if defined(_WIN32)
#include <windows.h>
#endif

TEST(LogStream, replacesTheOldLogAndWritesEachLineAtOnceInTheSystemsEncoding)
{
    ob::test::TempDir dir;
    dir.write("OB32PYII.txt", "the last run's log\r\n");
    ob::sys::LogStream log(dir.file("OB32PYII.txt"));
    EXPECT_TRUE(log.isOpen() && dir.read("OB32PYII.txt").empty());
    log.writeLine("12:00:00\tStarting...");
    EXPECT_EQ(dir.read("OB32PYII.txt"), "12:00:00\tStarting...\r\n");
    log.writeLine("");
    log.writeLine("Locating asset (PT100,S-\xC3\xA9,Hart)...");
#if defined(_WIN32) // Windows programs read a file without a byte-order mark in the ANSI code page
    const std::string last = ::GetACP() == 1252 ? "Locating asset (PT100,S-\xE9,Hart)...\r\n" : "";
#else
    const std::string last = "Locating asset (PT100,S-\xC3\xA9,Hart)...\r\n";
#endif
    EXPECT_TRUE(last.empty() || dir.read("OB32PYII.txt") == "12:00:00\tStarting...\r\n\r\n" + last);
    log.close();
    EXPECT_TRUE(!log.isOpen() && ob::test::failureOf([&] { log.writeLine("more"); }) != 0);
    EXPECT_EQ(ob::test::failureOf([&] { ob::sys::LogStream(dir.file("missing/OB32PYII.txt")); }), 75);
#if !defined(_WIN32)
    EXPECT_NE(ob::test::failureOf([] { ob::sys::LogStream("/dev/full").writeLine("x"); }), 0);
#endif
}
