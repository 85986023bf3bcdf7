#include "platform/pe/FileVersion.h"
#include "support/PeWriter.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>

using ob::pe::fileVersion;
using ob::test::FileVersionParts;
using ob::test::makePe;
using ob::test::PeLayout;

namespace {

std::string versionOf(const std::vector<unsigned char>& bytes)
{
    return ob::pe::fileVersionFromBytes(bytes.data(), bytes.size());
}

void put32(std::vector<unsigned char>& bytes, std::size_t at, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes.at(at + i) = static_cast<unsigned char>(value >> (8 * i));
}

} // namespace

TEST(FileVersion, readsTheFixedVersionOfBothFormats)
{
    const struct {
        FileVersionParts parts;
        const char* text;
    } cases[] = {
        {{1, 2, 3, 4}, "1.2.3.4"},
        {{10, 0, 0, 0}, "10.0.0.0"},
        {{6, 1, 7601, 262}, "6.1.7601.262"},
        {{65535, 0, 0, 65535}, "65535.0.0.65535"},
        {{65535, 65535, 65535, 65535}, "65535.65535.65535.65535"},
    };
    for (bool pe32plus : {false, true}) {
        for (const auto& c : cases)
            EXPECT_EQ(versionOf(makePe(pe32plus, c.parts)), c.text) << (pe32plus ? "PE32+ " : "PE32 ") << c.text;
    }
}

TEST(FileVersion, readsAFileOnDisk)
{
    ob::test::TempDir dir;
    ob::test::writePe(dir.file("orbista.exe"), true, FileVersionParts{7, 3, 0, 1234});
    EXPECT_EQ(fileVersion(dir.file("orbista.exe")), "7.3.0.1234");
}

TEST(FileVersion, readsTheProjectVersionStampedIntoAWindowsBuild)
{
#ifdef OB_VERSION_STUBS
    // Executables linked by mingw-w64 with the resource of the Windows build,
    // 32-bit and 64-bit, separated by '|'.
    const std::string stubs = OB_VERSION_STUBS;
    std::size_t start = 0;
    while (start <= stubs.size()) {
        const std::size_t end = std::min(stubs.find('|', start), stubs.size());
        const std::string path = stubs.substr(start, end - start);
        EXPECT_EQ(fileVersion(path), OB_PROJECT_VERSION) << path;
        start = end + 1;
    }
#else
    GTEST_SKIP() << "no mingw-w64 cross compiler: no Windows executable to read";
#endif
}

TEST(FileVersion, emptyWithoutAVersionResource)
{
    EXPECT_EQ(versionOf(makePe(false, std::nullopt)), "");
    EXPECT_EQ(versionOf(makePe(true, std::nullopt)), "");
}

TEST(FileVersion, emptyForAMissingFileOrAFolder)
{
    ob::test::TempDir dir;
    EXPECT_EQ(fileVersion(dir.file("orbista.exe")), "");
    EXPECT_EQ(fileVersion(dir.path()), "");
    EXPECT_EQ(ob::pe::fileVersionFromBytes(nullptr, 0), "");
}

TEST(FileVersion, emptyForFilesThatAreNotExecutables)
{
    ob::test::TempDir dir;
    for (const std::string& content : {std::string(), std::string("MZ"), std::string("[General]\r\nBusy=True\r\n"),
                                      std::string(4096, '\0'), std::string(4096, '\xFF')}) {
        dir.write("x.exe", content);
        EXPECT_EQ(fileVersion(dir.file("x.exe")), "");
    }
}

TEST(FileVersion, everyTruncationOfAValidFileIsSafe)
{
    for (bool pe32plus : {false, true}) {
        const auto full = makePe(pe32plus, FileVersionParts{1, 2, 3, 4});
        for (std::size_t size = 0; size < full.size(); ++size) {
            const std::vector<unsigned char> part(full.begin(), full.begin() + static_cast<long>(size));
            const auto text = versionOf(part);
            // Whole once the fixed info is in; empty before.
            EXPECT_EQ(text, size >= PeLayout::fixedFileInfo + 16 ? "1.2.3.4" : "") << size;
        }
    }
}

TEST(FileVersion, anotherResourceTypeIsNoVersion)
{
    auto bytes = makePe(false, FileVersionParts{1, 2, 3, 4});
    put32(bytes, PeLayout::typeEntry, 3); // RT_ICON
    EXPECT_EQ(versionOf(bytes), "");
}

TEST(FileVersion, aWrongSignatureIsNoVersion)
{
    auto bytes = makePe(true, FileVersionParts{1, 2, 3, 4});
    bytes.at(PeLayout::fixedFileInfo) ^= 1;
    EXPECT_EQ(versionOf(bytes), "");
}

TEST(FileVersion, anUnknownOptionalHeaderMagicIsNoVersion)
{
    auto bytes = makePe(false, FileVersionParts{1, 2, 3, 4});
    bytes.at(PeLayout::optionalHeader) = 0x07;
    EXPECT_EQ(versionOf(bytes), "");
}

TEST(FileVersion, hostileOffsetsAndCountsAreSafe)
{
    const auto good = makePe(false, FileVersionParts{1, 2, 3, 4});
    const struct {
        std::size_t at;
        std::uint32_t value;
    } damages[] = {
        {0x3C, 0xFFFFFFF0u},                           // PE header far past the end
        {0x3C, 0x7FFFFFFFu},
        {PeLayout::peHeader + 4 + 2, 0xFFFFu},         // 65535 sections
        {PeLayout::peHeader + 4 + 16, 0xFFFFu},        // huge optional header
        {PeLayout::optionalHeader + 96 - 4, 0xFFFFFFFFu},
        {PeLayout::optionalHeader + 96 + 16, 0xFFFFFFFFu}, // resource RVA
        {PeLayout::resourceSection + 12, 0xFFFFFFFFu},     // 65535 named and 65535 id entries
        {PeLayout::typeEntry + 4, 0xFFFFFFFFu},            // subdirectory far away
        {PeLayout::typeEntry + 4, 0x80000000u},            // subdirectory loops to the root
        {PeLayout::dataEntry, 0xFFFFFFFFu},                // data RVA
        {PeLayout::dataEntry + 4, 0xFFFFFFFFu},            // data size
        {PeLayout::versionInfo, 0xFFFFFFFFu},
        {0x138 + 8, 0xFFFFFFFFu},                           // section virtual size
        {0x138 + 12, 0xFFFFF000u},                          // section virtual address near the top
        {0x138 + 20, 0xFFFFFFF0u},                          // section raw pointer
    };
    for (const auto& damage : damages) {
        auto bytes = good;
        put32(bytes, damage.at, damage.value);
        EXPECT_NO_THROW(versionOf(bytes)) << std::hex << damage.at;
    }
}

TEST(FileVersion, randomDamageNeverCrashes)
{
    std::mt19937 random(20240601);
    for (bool pe32plus : {false, true}) {
        const auto good = makePe(pe32plus, FileVersionParts{4, 3, 2, 1});
        for (int round = 0; round < 20000; ++round) {
            auto bytes = good;
            const int flips = 1 + static_cast<int>(random() % 8);
            for (int i = 0; i < flips; ++i)
                bytes[random() % bytes.size()] = static_cast<unsigned char>(random());
            const auto text = versionOf(bytes);
            EXPECT_TRUE(text.empty() || std::count(text.begin(), text.end(), '.') == 3) << text;
        }
    }
}
