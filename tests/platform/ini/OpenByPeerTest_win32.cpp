// The exchange file held open by the peer: a replacement waits, then the file is written in place; never a lost
// write, never a hang.
#include "../FailureOf.h"
#include "platform/ini/SharedFile.h"
#include "platform/win32/Wide.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <thread>

TEST(OpenByPeer, aWriteWaitsForThePeerAndThenWritesInPlace)
{
    ob::test::TempDir dir;
    const auto path = dir.write("OB32PYII.INI", "[General]\r\n");
    const auto addBusy = [](const std::string& content) { return content + "Busy=True\r\n"; };
    // Opened as a peer that reads and writes but does not share deletion.
    ob::win32::UniqueHandle peer(::CreateFileW(ob::win32::wide(path).c_str(), GENERIC_READ | GENERIC_WRITE,
                                               FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                               FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(peer);
    ob::ini::WriteReport report;
    EXPECT_EQ(ob::ini::updateFile(path, addBusy, {}, &report), "[General]\r\nBusy=True\r\n");
    EXPECT_EQ(dir.read("OB32PYII.INI"), "[General]\r\nBusy=True\r\n");
    EXPECT_FALSE(report.inPlace) << "a moment's refusal taken for the folder's rights: " << report.reason;
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1) << "a temporary file left";
    peer.reset();
    // The next write replaces the file again (a hard link shows the replacement).
    std::filesystem::create_hard_link(path, dir.file("twin"));
    ob::ini::updateFile(path, [](const std::string& content) { return content + "Error=\r\n"; });
    EXPECT_EQ(dir.read("twin"), "[General]\r\nBusy=True\r\n");
}

TEST(OpenByPeer, readingNeverStopsThePeerFromWriting)
{
    ob::test::TempDir dir;
    const auto path = dir.write("OB32PYII.INI", "[General]\r\nAction=\r\n");
    std::atomic<bool> reading{true};
    std::thread reader([&] {
        while (reading)
            ob::ini::readFile(path);
    });
    bool allWritten = true;
    for (int i = 0; i < 200 && allWritten; ++i)
        allWritten = ::WritePrivateProfileStringA("General", "Action", "/OBVER", path.c_str()) != 0;
    reading = false;
    reader.join();
    EXPECT_TRUE(allWritten);
}

// IT may mark the exchange file (hidden, say); a replacement keeps what it set.
TEST(OpenByPeer, aReplacementKeepsTheFilesAttributes)
{
    ob::test::TempDir dir;
    const auto path = dir.write("OB32PYII.INI", "[General]\r\n");
    const std::wstring name = ob::win32::wide(path);
    ::SetFileAttributesW(name.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE);
    if ((::GetFileAttributesW(name.c_str()) & FILE_ATTRIBUTE_HIDDEN) == 0)
        GTEST_SKIP() << "this file system keeps no hidden attribute for Wine (no extended attributes)";
    ob::ini::updateFile(path, [](const std::string& content) { return content + "Busy=True\r\n"; });
    EXPECT_EQ(dir.read("OB32PYII.INI"), "[General]\r\nBusy=True\r\n");
    EXPECT_NE(::GetFileAttributesW(name.c_str()) & FILE_ATTRIBUTE_HIDDEN, 0u);
}
