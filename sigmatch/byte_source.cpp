#include "sigmatch/byte_source.h"

namespace sigmatch {

std::size_t readUpTo(ByteSource& source, std::uint64_t offset, void* buffer, std::size_t count) {
  auto out = static_cast<unsigned char*>(buffer);
  std::size_t done = 0;
  while (done < count) {
    const std::size_t wanted = count - done;
    const std::int64_t n = source.readAt(offset + done, out + done, wanted);
    if (n <= 0 || static_cast<std::uint64_t>(n) > wanted) break;
    done += static_cast<std::size_t>(n);
  }
  return done;
}

}  // namespace sigmatch
