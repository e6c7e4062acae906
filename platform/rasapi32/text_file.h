#pragma once

#include <sys/types.h>

#include <cstddef>
#include <optional>
#include <string>

namespace orv::ras {

// The configuration files of pppd are small; anything larger is not one of them, and a
// stranger's huge or endless file must not be read into memory.
constexpr std::size_t kMaxConfigFileSize = 1 << 20;

// The bytes of the regular file at `path` (a link to one counts), or nothing when it cannot
// be read, is not a regular file (a fifo would block, a device could act) or is too large.
// `errorCode` receives errno on failure (0 when the file is merely too large).
std::optional<std::string> readConfigFile(const std::string& path, int* errorCode = nullptr);

// Replaces the file at `path` by `content` in one step: a new file beside it takes the old
// one's mode, owner and group (as far as the user may give them) and is renamed over it, so
// a reader never sees half a file and a failure leaves the old one whole. A link at `path`
// is refused rather than replaced. `mode` is used when the file does not exist yet. Returns
// 0 or the errno of the failure.
int replaceFileAtomically(const std::string& path, const std::string& content, mode_t mode = 0600);

// Whether the user can replace the file at `path` (or create it when it does not exist):
// the file and its folder are writable and the name is no link. Nothing when yes, else errno.
int checkReplaceable(const std::string& path);

}  // namespace orv::ras
