#include "support/PeWriter.h"

#include <fstream>
#include <stdexcept>

namespace ob::test {

namespace {

class Bytes {
public:
    explicit Bytes(std::size_t size) : m_data(size, 0) {}

    void u16(std::size_t at, std::uint16_t v)
    {
        m_data.at(at) = static_cast<unsigned char>(v);
        m_data.at(at + 1) = static_cast<unsigned char>(v >> 8);
    }
    void u32(std::size_t at, std::uint32_t v)
    {
        u16(at, static_cast<std::uint16_t>(v));
        u16(at + 2, static_cast<std::uint16_t>(v >> 16));
    }
    void u64(std::size_t at, std::uint64_t v)
    {
        u32(at, static_cast<std::uint32_t>(v));
        u32(at + 4, static_cast<std::uint32_t>(v >> 32));
    }
    void text(std::size_t at, const std::string& s)
    {
        for (std::size_t i = 0; i < s.size(); ++i)
            m_data.at(at + i) = static_cast<unsigned char>(s[i]);
    }
    std::vector<unsigned char> take() { return std::move(m_data); }

private:
    std::vector<unsigned char> m_data;
};

constexpr std::uint32_t kSectionRva = 0x1000;
constexpr std::size_t kHeadersSize = 0x200;
constexpr std::size_t kSectionSize = 0x200;

} // namespace

std::vector<unsigned char> makePe(bool pe32plus, std::optional<FileVersionParts> version)
{
    Bytes b(kHeadersSize + kSectionSize);

    // DOS header: "MZ" and the offset of the PE header.
    b.text(0, "MZ");
    b.u32(0x3C, PeLayout::peHeader);

    // PE signature and COFF header.
    const std::size_t pe = PeLayout::peHeader;
    b.text(pe, std::string("PE\0\0", 4));
    const std::size_t coff = pe + 4;
    const std::uint16_t optionalSize = pe32plus ? 240 : 224;
    b.u16(coff, pe32plus ? 0x8664 : 0x014C); // machine
    b.u16(coff + 2, 1);                      // one section
    b.u16(coff + 16, optionalSize);
    b.u16(coff + 18, pe32plus ? 0x0022 : 0x0102); // executable, large-address aware / 32-bit

    // Optional header.
    const std::size_t opt = PeLayout::optionalHeader;
    b.u16(opt, pe32plus ? 0x20B : 0x10B);
    if (pe32plus)
        b.u64(opt + 24, 0x140000000ull); // image base
    else
        b.u32(opt + 28, 0x00400000u);
    b.u32(opt + 32, 0x1000); // section alignment
    b.u32(opt + 36, 0x200);  // file alignment
    b.u16(opt + 40, 6);      // OS version
    b.u16(opt + 48, 6);      // subsystem version
    b.u32(opt + 56, kSectionRva + 0x1000); // size of image
    b.u32(opt + 60, kHeadersSize);
    b.u16(opt + 68, 2); // Windows GUI
    const std::size_t directories = opt + (pe32plus ? 112 : 96);
    b.u32(directories - 4, 16); // NumberOfRvaAndSizes

    // Section table: one section at RVA 0x1000, file offset 0x200.
    const std::size_t section = opt + optionalSize;
    b.text(section, version ? ".rsrc" : ".text");
    b.u32(section + 8, kSectionSize);
    b.u32(section + 12, kSectionRva);
    b.u32(section + 16, kSectionSize);
    b.u32(section + 20, kHeadersSize);
    b.u32(section + 36, version ? 0x40000040u : 0x60000020u);

    if (!version) {
        b.u16(kHeadersSize, 0xC3C3); // some code
        return b.take();
    }

    // Resource tree: type RT_VERSION -> name 1 -> language 0x409 -> data entry.
    const std::size_t base = PeLayout::resourceSection;
    const std::size_t versionData = PeLayout::versionInfo - base;
    const std::uint16_t versionLength = 92;
    b.u32(directories + 2 * 8, kSectionRva);
    b.u32(directories + 2 * 8 + 4, static_cast<std::uint32_t>(versionData + versionLength));

    b.u16(base + 0x0E, 1);               // root: one id entry
    b.u32(base + 0x10, 16);              // RT_VERSION
    b.u32(base + 0x14, 0x80000000u | 0x18);
    b.u16(base + 0x18 + 0x0E, 1);        // names: one id entry
    b.u32(base + 0x28, 1);               // VS_VERSION_INFO
    b.u32(base + 0x2C, 0x80000000u | 0x30);
    b.u16(base + 0x30 + 0x0E, 1);        // languages: one id entry
    b.u32(base + 0x40, 0x409);
    b.u32(base + 0x44, 0x48);            // data entry
    b.u32(base + 0x48, static_cast<std::uint32_t>(kSectionRva + versionData));
    b.u32(base + 0x4C, versionLength);

    // VS_VERSIONINFO with its VS_FIXEDFILEINFO at offset 40.
    const std::size_t info = PeLayout::versionInfo;
    b.u16(info, versionLength);
    b.u16(info + 2, 52);
    b.u16(info + 4, 0);
    const std::string key = "VS_VERSION_INFO";
    for (std::size_t i = 0; i < key.size(); ++i)
        b.u16(info + 6 + 2 * i, static_cast<std::uint16_t>(key[i]));
    const std::size_t fixed = PeLayout::fixedFileInfo;
    const auto& v = *version;
    b.u32(fixed, 0xFEEF04BDu);
    b.u32(fixed + 4, 0x00010000u);
    b.u32(fixed + 8, (std::uint32_t{v[0]} << 16) | v[1]);  // file version MS
    b.u32(fixed + 12, (std::uint32_t{v[2]} << 16) | v[3]); // file version LS
    b.u32(fixed + 16, (std::uint32_t{v[0]} << 16) | v[1]); // product version
    b.u32(fixed + 20, (std::uint32_t{v[2]} << 16) | v[3]);
    b.u32(fixed + 24, 0x3F);
    b.u32(fixed + 32, 0x00040004u); // VOS_NT_WINDOWS32
    b.u32(fixed + 36, 1);           // VFT_APP
    return b.take();
}

void writePe(const std::string& path, bool pe32plus, std::optional<FileVersionParts> version)
{
    const auto bytes = makePe(pe32plus, version);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out)
        throw std::runtime_error("cannot write " + path);
}

} // namespace ob::test
