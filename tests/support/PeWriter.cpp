#include "support/PeWriter.h"

#include <fstream>

namespace ob::test {

constexpr std::uint32_t kSectionRva = 0x1000;
constexpr std::size_t kHeadersSize = 0x200;
constexpr std::size_t kSectionSize = 0x200;

std::vector<unsigned char> makePe(bool pe32plus, std::optional<FileVersionParts> version, bool namedTypeFirst)
{
    std::vector<unsigned char> b(kHeadersSize + kSectionSize, 0);
    const auto put = [&b](std::size_t at, std::uint32_t v, int size) {
        for (int i = 0; i < size; ++i)
            b.at(at + i) = static_cast<unsigned char>(v >> (8 * i));
    };
    const auto u16 = [&](std::size_t at, std::uint32_t v) { put(at, v, 2); };
    const auto u32 = [&](std::size_t at, std::uint32_t v) { put(at, v, 4); };
    // DOS header: "MZ" and the offset of the PE header.
    u16(0, 0x5A4D);
    u32(0x3C, PeLayout::peHeader);
    // PE signature and COFF header.
    const std::size_t pe = PeLayout::peHeader;
    u32(pe, 0x4550);
    const std::size_t coff = pe + 4;
    const std::uint16_t optionalSize = pe32plus ? 240 : 224;
    u16(coff, pe32plus ? 0x8664 : 0x014C); // machine
    u16(coff + 2, 1);                      // one section
    u16(coff + 16, optionalSize);
    // Optional header: only what a reader of the version needs.
    const std::size_t opt = PeLayout::optionalHeader;
    u16(opt, pe32plus ? 0x20B : 0x10B);
    const std::size_t directories = opt + (pe32plus ? 112 : 96);
    u32(directories - 4, 16); // NumberOfRvaAndSizes
    // Section table: one section at RVA 0x1000, file offset 0x200.
    const std::size_t section = opt + optionalSize;
    u32(section + 8, kSectionSize);
    u32(section + 12, kSectionRva);
    u32(section + 16, kSectionSize);
    u32(section + 20, kHeadersSize);

    if (!version)
        return b;
    // Resource tree: type RT_VERSION -> name 1 -> language 0x409 -> data entry; a
    // named type (TYPELIB) before it shifts everything after the root's entries.
    const std::size_t base = PeLayout::resourceSection;
    const std::size_t shift = namedTypeFirst ? 8 : 0;
    const std::size_t names = 0x18 + shift, languages = 0x30 + shift, data = 0x48 + shift;
    const std::size_t versionData = PeLayout::versionInfo + shift - base;
    const std::uint16_t versionLength = 92;
    u32(directories + 2 * 8, kSectionRva);
    u32(directories + 2 * 8 + 4, namedTypeFirst ? 0x180 : static_cast<std::uint32_t>(versionData + versionLength));
    const auto directory = [&](std::size_t at, std::uint32_t id, std::uint32_t target) {
        u16(base + at + 0x0E, 1); // one id entry
        u32(base + at + 0x10, id);
        u32(base + at + 0x14, target);
    };
    if (namedTypeFirst) {
        u16(base + 0x0C, 1); // one named entry, with a tree of its own
        u32(base + 0x10, 0x80000000u | 0x160);
        u32(base + 0x14, 0x80000000u | 0x100);
        directory(0x100, 1, 0x80000000u | 0x118);
        directory(0x118, 0x409, 0x130);
        u32(base + 0x130, kSectionRva + 0x140);
        u32(base + 0x134, 16);
        u32(base + 0x140, 0x5446534D); // "MSFT"
        u16(base + 0x160, 7);
        for (std::size_t i = 0; i < 7; ++i)
            u16(base + 0x162 + 2 * i, static_cast<unsigned char>("TYPELIB"[i]));
    }
    u16(base + 0x0E, 1); // RT_VERSION, after the named entries
    u32(base + 0x10 + shift, 16);
    u32(base + 0x14 + shift, 0x80000000u | names);
    directory(names, 1, 0x80000000u | languages); // VS_VERSION_INFO
    directory(languages, 0x409, data);
    u32(base + data, static_cast<std::uint32_t>(kSectionRva + versionData));
    u32(base + data + 4, versionLength);
    // VS_VERSIONINFO with its VS_FIXEDFILEINFO at offset 40.
    const std::size_t info = PeLayout::versionInfo + shift;
    u16(info, versionLength);
    u16(info + 2, 52);
    const std::size_t fixed = info + 40;
    const auto& v = *version;
    u32(fixed, 0xFEEF04BDu);
    u32(fixed + 8, (std::uint32_t{v[0]} << 16) | v[1]);  // file version MS
    u32(fixed + 12, (std::uint32_t{v[2]} << 16) | v[3]); // file version LS
    return b;
}

void writePe(const std::string& path, bool pe32plus, std::optional<FileVersionParts> version)
{
    const auto bytes = makePe(pe32plus, version);
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

} // namespace ob::test
