#include "detect/crc32.h"

#include <QString>

#include <array>
#include <cerrno>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "detect/native_path.h"
#include "regular_file.h"
#include "unique_fd.h"

namespace orv {
namespace {

constexpr std::array<std::uint32_t, 256> makeTable() {
  std::array<std::uint32_t, 256> table{};
  for (std::uint32_t n = 0; n < 256; ++n) {
    std::uint32_t c = n;
    for (int k = 0; k < 8; ++k) c = (c & 1U) ? 0xEDB88320U ^ (c >> 1) : c >> 1;
    table[n] = c;
  }
  return table;
}

constexpr std::array<std::uint32_t, 256> kTable = makeTable();

// Blocks keep the memory bounded for executables of any size.
constexpr std::size_t kBlockSize = 64 * 1024;

}  // namespace

std::uint32_t Crc32Update(std::uint32_t reg, const void* bytes, std::size_t length) {
  const auto* p = static_cast<const unsigned char*>(bytes);
  for (std::size_t i = 0; i < length; ++i) reg = kTable[(reg ^ p[i]) & 0xFFU] ^ (reg >> 8);
  return reg;
}

std::int32_t FileCrc32(const char* nativePath) {
  if (nativePath == nullptr || *nativePath == '\0') return -1;
  // Only regular files have a content to sum up: a fifo would wait, /dev/zero never ends.
  struct stat info;
  const UniqueFd file = openRegularFile(nativePath, info);
  if (!file) return -1;

  std::vector<unsigned char> block(kBlockSize);
  std::uint32_t reg = 0xFFFFFFFFU;
  for (;;) {
    const ssize_t n = ::read(file.get(), block.data(), block.size());
    if (n == 0) break;
    if (n < 0) {
      if (errno == EINTR) continue;
      // Never hand out the CRC of a part as if it were the whole file.
      return -1;
    }
    reg = Crc32Update(reg, block.data(), static_cast<std::size_t>(n));
  }
  return static_cast<std::int32_t>(~reg);
}

std::int32_t FileCrc32(const QString& path) {
  if (path.isEmpty()) return -1;
  const QByteArray native = pathToNative(path);
  // A NUL would silently cut the path short and name another file.
  if (native.contains('\0')) return -1;
  return FileCrc32(native.constData());
}

}  // namespace orv
