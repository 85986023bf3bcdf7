// The exchange file held open by the peer: a replacement waits, then fails; never a lost write, never a hang.
#include "../FailureOf.h"
#include "platform/ini/SharedFile.h"
#include "platform/win32/Wide.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <thread>

TEST(OpenByPeer, aWriteWaitsUntilThePeerLetsGoAndFailsIfItNeverDoes)
{
    ob::test::TempDir dir;
    const auto path = dir.write("OB32PYII.INI", "[General]\r\n");
    const auto addBusy = [](const std::string& content) { return content + "Busy=True\r\n"; };
    // Opened as a peer that reads and writes but does not share deletion.
    ob::win32::UniqueHandle peer(::CreateFileW(ob::win32::wide(path).c_str(), GENERIC_READ | GENERIC_WRITE,
                                               FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                               FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(peer);
    EXPECT_EQ(ob::test::failureOf([&] { ob::ini::updateFile(path, addBusy); }), 75);
    EXPECT_EQ(dir.read("OB32PYII.INI"), "[General]\r\n");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 2) << "more than the lock file left";
    std::thread release([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        peer.reset();
    });
    EXPECT_EQ(ob::ini::updateFile(path, addBusy), "[General]\r\nBusy=True\r\n");
    release.join();
    EXPECT_EQ(dir.read("OB32PYII.INI"), "[General]\r\nBusy=True\r\n");
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
