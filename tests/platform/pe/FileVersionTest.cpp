#include "platform/pe/FileVersion.h"
#include "support/PeWriter.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <sstream>

using ob::pe::fileVersion;
using namespace ob::test;

static std::string versionOf(const std::vector<unsigned char>& bytes)
{
    return ob::pe::fileVersionFromBytes(bytes.data(), bytes.size());
}

TEST(FileVersion, readsTheFixedVersionOfBothFormats)
{
    TempDir dir;
    for (bool pe32plus : {false, true}) {
        SCOPED_TRACE(pe32plus ? "PE32+" : "PE32");
        EXPECT_EQ(versionOf(makePe(pe32plus, FileVersionParts{65535, 0, 7601, 262})), "65535.0.7601.262");
        EXPECT_EQ(versionOf(makePe(pe32plus, std::nullopt)), "");
        // Named types (a TYPELIB) come first in the resource directory.
        EXPECT_EQ(versionOf(makePe(pe32plus, FileVersionParts{7, 1, 0, 288}, true)), "7.1.0.288");
        writePe(dir.file("orbista.exe"), pe32plus, FileVersionParts{7, 3, 0, 1234});
        EXPECT_EQ(fileVersion(dir.file("orbista.exe")), "7.3.0.1234");
    }
#ifdef OB_VERSION_STUBS
    // Executables linked by mingw-w64 with the Windows build's resource, 32- and 64-bit, '|' between them.
    std::istringstream stubs(OB_VERSION_STUBS);
    for (std::string stub; std::getline(stubs, stub, '|');)
        EXPECT_EQ(fileVersion(stub), OB_PROJECT_VERSION) << stub;
#endif
}

TEST(FileVersion, whatIsNoExecutableOrIsDamagedGivesNoVersionAndNeverACrash)
{
    TempDir dir;
    EXPECT_EQ(fileVersion(dir.file("missing.exe")) + fileVersion(dir.path()), "");
    EXPECT_EQ(ob::pe::fileVersionFromBytes(nullptr, 0), "");
    for (const std::string& content : {std::string("[General]\r\nBusy=True\r\n"), std::string(4096, '\xFF')}) {
        dir.write("x.exe", content);
        EXPECT_EQ(fileVersion(dir.file("x.exe")), "");
    }
    for (bool pe32plus : {false, true}) {
        const auto full = makePe(pe32plus, FileVersionParts{1, 2, 3, 4});
        for (std::size_t size = 0; size < full.size(); ++size) {
            const std::vector<unsigned char> part(full.begin(), full.begin() + static_cast<long>(size));
            EXPECT_EQ(versionOf(part), size >= PeLayout::fixedFileInfo + 16 ? "1.2.3.4" : "") << size;
        }
    }
    const auto good = makePe(false, FileVersionParts{1, 2, 3, 4});
    // Each a wrong type, signature or magic (no version), or an offset or count that points outside.
    const struct { std::size_t at; std::uint32_t value; bool noVersion; } damages[] = {
        {PeLayout::typeEntry, 3, true}, {PeLayout::fixedFileInfo, 0xFEEF04BC, true},
        {PeLayout::optionalHeader, 0x0107, true}, {0x3C, 0xFFFFFFF0u, true},
        {PeLayout::peHeader + 6, 0xFFFFu, false}, {PeLayout::resourceSection + 12, 0xFFFFFFFFu, false},
        {PeLayout::typeEntry + 4, 0x80000000u, false}, {PeLayout::dataEntry, 0xFFFFFFFFu, false},
        {PeLayout::dataEntry + 4, 0xFFFFFFFFu, false}, {0x138 + 12, 0xFFFFF000u, false}};
    for (const auto& damage : damages) {
        auto bytes = good;
        for (int i = 0; i < 4; ++i)
            bytes.at(damage.at + i) = static_cast<unsigned char>(damage.value >> (8 * i));
        const auto text = versionOf(bytes);
        EXPECT_TRUE(damage.noVersion ? text.empty() : text.empty() || text == "1.2.3.4") << std::hex << damage.at;
    }
}
