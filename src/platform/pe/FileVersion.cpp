// Reads the fixed file version out of a PE image. Every offset in the file is
// treated as hostile: each read is checked against the end of the data, and
// arithmetic is done in 64 bits so that no sum can wrap.

#include "platform/pe/FileVersion.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <optional>
#include <vector>

namespace ob::pe {

namespace {

constexpr std::uint16_t kPe32Magic = 0x10B;
constexpr std::uint16_t kPe32PlusMagic = 0x20B;
constexpr std::uint32_t kResourceTable = 2;
constexpr std::uint32_t kVersionType = 16; // RT_VERSION
constexpr std::uint32_t kHighBit = 0x80000000u;
constexpr std::uint32_t kFixedInfoSignature = 0xFEEF04BDu;
constexpr std::uint64_t kFixedInfoOffset = 40; // after wLength, wValueLength, wType, L"VS_VERSION_INFO", padding
constexpr std::uint64_t kFixedInfoSize = 52;
constexpr std::uint64_t kSectionEntrySize = 40;
// Larger files are not executables this program looks at.
constexpr std::uintmax_t kMaxFileSize = 1ull << 30;

class Image {
public:
    Image(const unsigned char* data, std::size_t size) : m_data(data), m_size(size) {}

    bool has(std::uint64_t offset, std::uint64_t length) const
    {
        return offset <= m_size && length <= m_size - offset;
    }

    std::optional<std::uint16_t> u16(std::uint64_t offset) const
    {
        if (!has(offset, 2))
            return std::nullopt;
        return static_cast<std::uint16_t>(m_data[offset] | (m_data[offset + 1] << 8));
    }

    std::optional<std::uint32_t> u32(std::uint64_t offset) const
    {
        if (!has(offset, 4))
            return std::nullopt;
        return static_cast<std::uint32_t>(m_data[offset]) | (static_cast<std::uint32_t>(m_data[offset + 1]) << 8) |
               (static_cast<std::uint32_t>(m_data[offset + 2]) << 16) |
               (static_cast<std::uint32_t>(m_data[offset + 3]) << 24);
    }

private:
    const unsigned char* m_data;
    std::size_t m_size;
};

struct Sections {
    std::uint64_t table = 0;
    std::uint16_t count = 0;
};

// File offset of an RVA, through the section that maps it.
std::optional<std::uint64_t> fileOffset(const Image& image, const Sections& sections, std::uint32_t rva)
{
    for (std::uint16_t i = 0; i < sections.count; ++i) {
        const std::uint64_t entry = sections.table + i * kSectionEntrySize;
        const auto virtualSize = image.u32(entry + 8);
        const auto virtualAddress = image.u32(entry + 12);
        const auto rawSize = image.u32(entry + 16);
        const auto rawPointer = image.u32(entry + 20);
        if (!virtualSize || !virtualAddress || !rawSize || !rawPointer)
            return std::nullopt;
        const std::uint64_t span = std::max(*virtualSize, *rawSize);
        if (rva >= *virtualAddress && rva - *virtualAddress < span) {
            // Beyond the raw data the loader maps zeros, which hold nothing to read.
            if (rva - *virtualAddress >= *rawSize)
                return std::nullopt;
            return std::uint64_t{rva} - *virtualAddress + *rawPointer;
        }
    }
    return std::nullopt;
}

struct Entry {
    std::uint32_t id = 0;     // name offset when bit 31 is set
    std::uint32_t target = 0; // subdirectory offset when bit 31 is set, else data entry offset
};

// Entry `index` of the resource directory table at `table` (relative to the
// resource section's start `base`), counting named entries first.
std::optional<Entry> directoryEntry(const Image& image, std::uint64_t base, std::uint64_t table, std::uint32_t index)
{
    const auto named = image.u16(base + table + 12);
    const auto ids = image.u16(base + table + 14);
    if (!named || !ids || index >= std::uint32_t{*named} + *ids)
        return std::nullopt;
    const std::uint64_t at = base + table + 16 + std::uint64_t{index} * 8;
    const auto id = image.u32(at);
    const auto target = image.u32(at + 4);
    if (!id || !target)
        return std::nullopt;
    return Entry{*id, *target};
}

std::optional<std::uint64_t> subdirectory(const Entry& entry)
{
    if (!(entry.target & kHighBit))
        return std::nullopt;
    return entry.target & ~kHighBit;
}

std::string decimal(std::uint16_t part)
{
    char buffer[8];
    return std::string(buffer, std::to_chars(buffer, buffer + sizeof buffer, part).ptr);
}

// What the headers give: where the optional header lies, its size, and the
// section table after it.
struct Headers {
    std::uint64_t optional = 0;
    std::uint16_t optionalSize = 0;
    Sections sections;
};

// The "MZ" stub, the "PE\0\0" signature and the COFF header.
std::optional<Headers> headersOf(const Image& image)
{
    const auto peOffset = image.u32(0x3C);
    if (!image.has(0, 2) || image.u16(0) != 0x5A4D || !peOffset) // "MZ"
        return std::nullopt;
    const std::uint64_t pe = *peOffset;
    if (image.u32(pe) != 0x00004550u) // "PE\0\0"
        return std::nullopt;
    const std::uint64_t coff = pe + 4;
    const auto sectionCount = image.u16(coff + 2);
    const auto optionalSize = image.u16(coff + 16);
    if (!sectionCount || !optionalSize)
        return std::nullopt;
    const std::uint64_t optional = coff + 20;
    return Headers{optional, *optionalSize, Sections{optional + *optionalSize, *sectionCount}};
}

// File offset of the resource section, from the data directories of a PE32
// or PE32+ optional header.
std::optional<std::uint64_t> resourceBase(const Image& image, const Headers& headers)
{
    const auto magic = image.u16(headers.optional);
    if (!magic)
        return std::nullopt;
    std::uint64_t directories = 0;
    if (*magic == kPe32Magic)
        directories = 96;
    else if (*magic == kPe32PlusMagic)
        directories = 112;
    else
        return std::nullopt;
    const auto directoryCount = image.u32(headers.optional + directories - 4); // NumberOfRvaAndSizes
    const std::uint64_t resourceEntry = directories + kResourceTable * 8;
    if (!directoryCount || *directoryCount <= kResourceTable || resourceEntry + 8 > headers.optionalSize)
        return std::nullopt;
    const auto resourceRva = image.u32(headers.optional + resourceEntry);
    const auto resourceSize = image.u32(headers.optional + resourceEntry + 4);
    if (!resourceRva || !resourceSize || *resourceRva == 0 || *resourceSize == 0)
        return std::nullopt;
    return fileOffset(image, headers.sections, *resourceRva);
}

// Type level: the RT_VERSION entry among the ID entries, which come after the
// named ones; its subdirectory is the name level.
std::optional<std::uint64_t> versionNameTable(const Image& image, std::uint64_t base)
{
    const auto typeNamed = image.u16(base + 12);
    const auto typeIds = image.u16(base + 14);
    if (!typeNamed || !typeIds)
        return std::nullopt;
    for (std::uint32_t i = *typeNamed; i < std::uint32_t{*typeNamed} + *typeIds; ++i) {
        const auto entry = directoryEntry(image, base, 0, i);
        if (!entry)
            return std::nullopt;
        if (entry->id == kVersionType)
            return subdirectory(*entry);
    }
    return std::nullopt;
}

// Name level, then language level: the first entry of each; the language's
// entry is the data entry, whose file offset is returned.
std::optional<std::uint64_t> versionDataEntry(const Image& image, std::uint64_t base)
{
    const auto nameTable = versionNameTable(image, base);
    if (!nameTable)
        return std::nullopt;
    const auto nameEntry = directoryEntry(image, base, *nameTable, 0);
    if (!nameEntry)
        return std::nullopt;
    const auto languageTable = subdirectory(*nameEntry);
    if (!languageTable)
        return std::nullopt;
    const auto languageEntry = directoryEntry(image, base, *languageTable, 0);
    if (!languageEntry || (languageEntry->target & kHighBit))
        return std::nullopt;
    return base + languageEntry->target;
}

// "a.b.c.d" from the VS_FIXEDFILEINFO of the version resource.
std::string fixedFileVersion(const Image& image, const Sections& sections, std::uint64_t dataEntry)
{
    const auto dataRva = image.u32(dataEntry);
    const auto dataSize = image.u32(dataEntry + 4);
    if (!dataRva || !dataSize || *dataSize < kFixedInfoOffset + kFixedInfoSize)
        return {};
    const auto data = fileOffset(image, sections, *dataRva);
    if (!data)
        return {};
    const auto valueLength = image.u16(*data + 2);
    if (!valueLength || *valueLength < kFixedInfoSize)
        return {};
    const std::uint64_t fixed = *data + kFixedInfoOffset;
    if (image.u32(fixed) != kFixedInfoSignature)
        return {};
    const auto ms = image.u32(fixed + 8);
    const auto ls = image.u32(fixed + 12);
    if (!ms || !ls)
        return {};
    return decimal(static_cast<std::uint16_t>(*ms >> 16)) + "." + decimal(static_cast<std::uint16_t>(*ms & 0xFFFF)) +
           "." + decimal(static_cast<std::uint16_t>(*ls >> 16)) + "." + decimal(static_cast<std::uint16_t>(*ls & 0xFFFF));
}

std::string versionText(const Image& image)
{
    const auto headers = headersOf(image);
    if (!headers)
        return {};
    const auto base = resourceBase(image, *headers);
    if (!base)
        return {};
    const auto dataEntry = versionDataEntry(image, *base);
    if (!dataEntry)
        return {};
    return fixedFileVersion(image, headers->sections, *dataEntry);
}

} // namespace

std::string fileVersion(const std::string& path)
{
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in)
        return {};
    const auto size = in.tellg();
    if (size <= 0 || static_cast<std::uintmax_t>(size) > kMaxFileSize)
        return {};
    std::vector<unsigned char> bytes(static_cast<std::size_t>(size));
    in.seekg(0);
    if (!in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size())))
        return {};
    return fileVersionFromBytes(bytes.data(), bytes.size());
}

std::string fileVersionFromBytes(const unsigned char* data, std::size_t size)
{
    if (data == nullptr)
        return {};
    return versionText(Image(data, size));
}

} // namespace ob::pe
