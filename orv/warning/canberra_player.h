#pragma once

#include <memory>

struct ca_context;

namespace orv {

// Plays event sounds of the desktop's sound theme through libcanberra.
class CanberraPlayer {
 public:
  CanberraPlayer();
  ~CanberraPlayer();
  CanberraPlayer(const CanberraPlayer&) = delete;
  CanberraPlayer& operator=(const CanberraPlayer&) = delete;

  // Starts the sound of `eventId` (for example "dialog-warning") and returns without waiting
  // for it; false when no sound could be started (no context, no sound system, any error).
  bool start(const char* eventId);

 private:
  struct Release {
    void operator()(ca_context* context) const;
  };
  std::unique_ptr<ca_context, Release> m_context;
};

}  // namespace orv
