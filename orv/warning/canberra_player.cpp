#include "warning/canberra_player.h"

#include <canberra.h>

namespace orv {

void CanberraPlayer::Release::operator()(ca_context* context) const {
  ca_context_destroy(context);
}

CanberraPlayer::CanberraPlayer() = default;
CanberraPlayer::~CanberraPlayer() = default;

bool CanberraPlayer::start(const char* eventId) {
  if (!m_context) {
    ca_context* context = nullptr;
    if (ca_context_create(&context) != CA_SUCCESS || !context) return false;
    m_context.reset(context);
    ca_context_change_props(m_context.get(), CA_PROP_APPLICATION_NAME, "ORV 3.0", nullptr);
  }
  // The context stays for later sounds; it connects to the sound system on first use and
  // tries again on the next call when that failed.
  return ca_context_play(m_context.get(), 0, CA_PROP_EVENT_ID, eventId, CA_PROP_EVENT_DESCRIPTION,
                         "ORV 3.0 Warnmeldung", nullptr) == CA_SUCCESS;
}

}  // namespace orv
