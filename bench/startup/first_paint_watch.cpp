#include "first_paint_watch.h"

#include <poll.h>
#include <xcb/damage.h>
#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <stdexcept>

namespace startupbench {
namespace {

template <typename T>
using Reply = std::unique_ptr<T, decltype(&std::free)>;

template <typename T>
Reply<T> owned(T* reply) {
  return Reply<T>(reply, &std::free);
}

// Sequence numbers in events are the low 16 bits of the requests'.
bool notBefore(uint16_t eventSequence, unsigned request) {
  return static_cast<int16_t>(eventSequence - static_cast<uint16_t>(request)) >= 0;
}

}  // namespace

struct FirstPaintWatch::Pending {
  unsigned window = 0;
  unsigned damage = 0;
  unsigned subtractSequence = 0;  // damage reported before this request came from the map
  std::optional<WindowShown> shown;
};

FirstPaintWatch::FirstPaintWatch(const std::string& display) {
  m_connection = xcb_connect(display.c_str(), nullptr);
  if (xcb_connection_has_error(m_connection)) {
    xcb_disconnect(m_connection);
    m_connection = nullptr;
    throw std::runtime_error("cannot open the display " + display);
  }
  m_root = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data->root;

  const xcb_query_extension_reply_t* damage = xcb_get_extension_data(m_connection, &xcb_damage_id);
  if (!damage || !damage->present) throw std::runtime_error("the display has no DAMAGE extension");
  m_damageEventBase = damage->first_event;
  owned(xcb_damage_query_version_reply(m_connection, xcb_damage_query_version(m_connection, 1, 1),
                                       nullptr));

  const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
  if (auto error = owned(xcb_request_check(
          m_connection,
          xcb_change_window_attributes_checked(m_connection, m_root, XCB_CW_EVENT_MASK, &mask))))
    throw std::runtime_error("another window manager runs on the display");

  const char name[] = "_NET_WM_PID";
  auto atom = owned(xcb_intern_atom_reply(
      m_connection, xcb_intern_atom(m_connection, 0, sizeof name - 1, name), nullptr));
  m_pidAtom = atom ? atom->atom : 0;
}

FirstPaintWatch::~FirstPaintWatch() {
  if (m_connection) xcb_disconnect(m_connection);
}

pid_t FirstPaintWatch::windowPid(unsigned window) {
  auto reply = owned(xcb_get_property_reply(
      m_connection, xcb_get_property(m_connection, 0, window, m_pidAtom, XCB_ATOM_CARDINAL, 0, 1),
      nullptr));
  if (!reply || xcb_get_property_value_length(reply.get()) != 4) return -1;
  return static_cast<pid_t>(*static_cast<uint32_t*>(xcb_get_property_value(reply.get())));
}

bool FirstPaintWatch::handle(void* raw, Pending* pending, pid_t pid) {
  auto* event = static_cast<xcb_generic_event_t*>(raw);
  const uint8_t type = event->response_type & 0x7f;
  if (type == XCB_CONFIGURE_REQUEST) {
    // Granted as asked, as a window manager without decorations would.
    const auto* request = reinterpret_cast<xcb_configure_request_event_t*>(event);
    uint32_t values[7];
    int n = 0;
    const uint16_t mask = request->value_mask;
    if (mask & XCB_CONFIG_WINDOW_X) values[n++] = static_cast<uint32_t>(request->x);
    if (mask & XCB_CONFIG_WINDOW_Y) values[n++] = static_cast<uint32_t>(request->y);
    if (mask & XCB_CONFIG_WINDOW_WIDTH) values[n++] = request->width;
    if (mask & XCB_CONFIG_WINDOW_HEIGHT) values[n++] = request->height;
    if (mask & XCB_CONFIG_WINDOW_BORDER_WIDTH) values[n++] = request->border_width;
    if (mask & XCB_CONFIG_WINDOW_SIBLING) values[n++] = request->sibling;
    if (mask & XCB_CONFIG_WINDOW_STACK_MODE) values[n++] = request->stack_mode;
    xcb_configure_window(m_connection, request->window, mask, values);
    xcb_flush(m_connection);
    return false;
  }
  if (type == XCB_MAP_REQUEST) {
    const auto* request = reinterpret_cast<xcb_map_request_event_t*>(event);
    const Clock::time_point asked = Clock::now();
    const bool ours = pending && !pending->shown && pid > 0 && windowPid(request->window) == pid;
    if (!ours) {
      xcb_map_window(m_connection, request->window);
      xcb_flush(m_connection);
      return false;
    }
    // The damage record exists before the window can be drawn into; what the map itself
    // draws (a background) is reported before the subtract and is not the program's.
    pending->window = request->window;
    pending->damage = xcb_generate_id(m_connection);
    xcb_damage_create(m_connection, pending->damage, request->window,
                      XCB_DAMAGE_REPORT_LEVEL_NON_EMPTY);
    xcb_map_window(m_connection, request->window);
    pending->subtractSequence =
        xcb_damage_subtract(m_connection, pending->damage, XCB_NONE, XCB_NONE).sequence;
    xcb_flush(m_connection);
    auto geometry = owned(xcb_get_geometry_reply(
        m_connection, xcb_get_geometry(m_connection, request->window), nullptr));
    WindowShown shown;
    shown.mapAsked = asked;
    if (geometry) {
      shown.width = geometry->width;
      shown.height = geometry->height;
    }
    pending->shown = shown;
    return false;
  }
  if (type == m_damageEventBase + XCB_DAMAGE_NOTIFY && pending && pending->shown) {
    const auto* notify = reinterpret_cast<xcb_damage_notify_event_t*>(event);
    if (notify->drawable != pending->window || notify->damage != pending->damage) return false;
    if (!notBefore(notify->sequence, pending->subtractSequence)) return false;
    pending->shown->painted = Clock::now();
    xcb_damage_destroy(m_connection, pending->damage);
    xcb_flush(m_connection);
    return true;
  }
  return false;
}

std::optional<WindowShown> FirstPaintWatch::waitForFirstPaint(ChildProcess& process,
                                                              Clock::time_point deadline) {
  Pending pending;
  const int fd = xcb_get_file_descriptor(m_connection);
  while (Clock::now() < deadline) {
    while (xcb_generic_event_t* event = xcb_poll_for_event(m_connection)) {
      const bool done = handle(event, &pending, process.pid());
      std::free(event);
      if (done) return pending.shown;
    }
    if (xcb_connection_has_error(m_connection)) throw std::runtime_error("the display went away");
    if (!process.running()) return std::nullopt;
    pollfd ready{fd, POLLIN, 0};
    ::poll(&ready, 1, 20);
  }
  return std::nullopt;
}

void FirstPaintWatch::serve(Clock::time_point until) {
  const int fd = xcb_get_file_descriptor(m_connection);
  while (Clock::now() < until) {
    while (xcb_generic_event_t* event = xcb_poll_for_event(m_connection)) {
      handle(event, nullptr, -1);
      std::free(event);
    }
    pollfd ready{fd, POLLIN, 0};
    ::poll(&ready, 1, 10);
  }
}

}  // namespace startupbench
