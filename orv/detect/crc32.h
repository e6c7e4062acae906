#pragma once

#include <cstddef>
#include <cstdint>

class QString;

namespace orv {

// One table-driven step of the standard CRC-32 (reflected polynomial 0xEDB88320, the one of
// zlib and ZIP) over `length` bytes. Start with all bits set and complement the final register.
std::uint32_t Crc32Update(std::uint32_t reg, const void* bytes, std::size_t length);

// The CRC-32 of the whole content of the regular file at `path` (QFile::encodeName gives its
// bytes), as a signed 32-bit number: -1 (FFFFFFFF) when the file cannot be opened, is not a
// regular file or fails to read after opening. An empty file gives 0.
std::int32_t FileCrc32(const QString& path);

// The same for a path already in the file system's bytes.
std::int32_t FileCrc32(const char* nativePath);

}  // namespace orv
