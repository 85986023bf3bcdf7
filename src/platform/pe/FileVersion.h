#pragma once
// File version of a Windows executable, read from the VS_FIXEDFILEINFO of its
// version resource and written "a.b.c.d".

#include <cstddef>
#include <string>

namespace ob::pe {

// Empty text when the file is missing, is not a PE file, or has no version
// resource. Never fails.
std::string fileVersion(const std::string& path);

// The same, from the file's bytes.
std::string fileVersionFromBytes(const unsigned char* data, std::size_t size);

} // namespace ob::pe
