#include "detect/file_changes.h"

#include <atomic>

namespace orv {
namespace {

// Written on the window's thread, read by the scan's walk: the count is read before a file
// is opened and noted after a change is done, so seeing the new count means seeing the
// change.
std::atomic<std::uint64_t> g_count{0};

}  // namespace

std::uint64_t FileChanges::count() {
  return g_count.load(std::memory_order_acquire);
}

void FileChanges::note() {
  g_count.fetch_add(1, std::memory_order_acq_rel);
}

}  // namespace orv
