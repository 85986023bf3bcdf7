#pragma once
// PeWriter: minimal PE32 or PE32+ files, with or without a version resource.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace ob::test {

using FileVersionParts = std::array<std::uint16_t, 4>;

// Headers and one section: with a version, resources whose RT_VERSION holds file version a.b.c.d;
// `namedTypeFirst` puts a named type (TYPELIB) before it, as type libraries do. PeLayout is without.
std::vector<unsigned char> makePe(bool pe32plus, std::optional<FileVersionParts> version,
                                  bool namedTypeFirst = false);

// makePe written to `path`.
void writePe(const std::string& path, bool pe32plus, std::optional<FileVersionParts> version);

// Where the pieces of a makePe file lie, for tests that damage them.
struct PeLayout {
    static constexpr std::size_t peHeader = 0x40;          // "PE\0\0"
    static constexpr std::size_t optionalHeader = 0x58;    // magic
    static constexpr std::size_t resourceSection = 0x200;  // resource root directory
    static constexpr std::size_t typeEntry = 0x210;        // the RT_VERSION id entry
    static constexpr std::size_t dataEntry = 0x248;        // RVA, size of the version data
    static constexpr std::size_t versionInfo = 0x258;      // VS_VERSIONINFO
    static constexpr std::size_t fixedFileInfo = 0x280;    // VS_FIXEDFILEINFO
};

} // namespace ob::test
