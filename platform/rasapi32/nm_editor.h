#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace orv::ras {

// Opens the desktop's own editor for a NetworkManager profile (`program --edit UUID`) and
// waits until it is closed. Meanwhile the window's events go on being handled (the
// program's timers tick, its window repaints), as with a modal dialog; when the program is
// ended meanwhile the wait ends and the editor stays open for the user. 0 when the editor
// ran, RAS_ERROR_NO_DIALOG off the window's thread; nothing when it cannot be started
// (not installed, or a uuid it could read as an option) or ended with a failure, so that the
// caller can show its own dialog.
std::optional<std::uint32_t> runConnectionEditor(const std::string& program,
                                                 const std::string& uuid);

}  // namespace orv::ras
