#include "warning/canberra_player.h"

#include <canberra.h>
#include <dlfcn.h>

namespace orv {
namespace {

// libcanberra is opened at the first warning with a sound rather than when ORV starts: it
// brings a sound file decoder and several more libraries that a start never needs. It stays
// open once opened.
struct CanberraFunctions {
  decltype(&ca_context_create) create = nullptr;
  decltype(&ca_context_change_props) changeProps = nullptr;
  decltype(&ca_context_play) play = nullptr;
  decltype(&ca_context_destroy) destroy = nullptr;

  bool bound() const { return create && changeProps && play && destroy; }
};

template <typename F>
void bind(void* library, const char* name, F& target) {
  target = reinterpret_cast<F>(dlsym(library, name));
}

const CanberraFunctions& canberra() {
  static const CanberraFunctions functions = [] {
    CanberraFunctions bound;
    void* library = dlopen("libcanberra.so.0", RTLD_NOW | RTLD_LOCAL);
    if (!library) return bound;
    bind(library, "ca_context_create", bound.create);
    bind(library, "ca_context_change_props", bound.changeProps);
    bind(library, "ca_context_play", bound.play);
    bind(library, "ca_context_destroy", bound.destroy);
    return bound;
  }();
  return functions;
}

}  // namespace

void CanberraPlayer::Release::operator()(ca_context* context) const {
  canberra().destroy(context);
}

CanberraPlayer::CanberraPlayer() = default;
CanberraPlayer::~CanberraPlayer() = default;

bool CanberraPlayer::start(const char* eventId) {
  const CanberraFunctions& ca = canberra();
  if (!ca.bound()) return false;  // no sound library: the caller rings the bell
  if (!m_context) {
    ca_context* context = nullptr;
    if (ca.create(&context) != CA_SUCCESS || !context) return false;
    m_context.reset(context);
    ca.changeProps(m_context.get(), CA_PROP_APPLICATION_NAME, "ORV 3.0", nullptr);
  }
  // The context stays for later sounds; it connects to the sound system on first use and
  // tries again on the next call when that failed.
  return ca.play(m_context.get(), 0, CA_PROP_EVENT_ID, eventId, CA_PROP_EVENT_DESCRIPTION,
                 "ORV 3.0 Warnmeldung", nullptr) == CA_SUCCESS;
}

}  // namespace orv
