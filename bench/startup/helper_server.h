#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace startupbench {

// A server the bench starts for itself (the virtual screen, a session bus), which tells on
// file descriptor 3 where it listens. Ended with the object.
class HelperServer {
 public:
  // Starts `program` with `arguments` and waits, up to 30 s, for the first line it writes on
  // descriptor 3. Throws std::runtime_error when it cannot be started or says nothing.
  HelperServer(const std::string& program, const std::vector<std::string>& arguments);
  ~HelperServer();
  HelperServer(const HelperServer&) = delete;
  HelperServer& operator=(const HelperServer&) = delete;

  // The line it wrote, without its line end.
  const std::string& address() const { return m_address; }

 private:
  void end();

  pid_t m_pid = -1;
  std::string m_address;
};

// Xvfb on the first free display, one screen of `geometry` (for example "1280x1024x24").
class VirtualScreen {
 public:
  VirtualScreen(const std::string& xvfb, const std::string& geometry);
  // ":N"
  std::string display() const { return ":" + m_server.address(); }

 private:
  HelperServer m_server;
};

// A private session bus, as a desktop session has one: without it Qt would start one of
// its own through dbus-launch, which outlives the bench.
class SessionBus {
 public:
  explicit SessionBus(const std::string& dbusDaemon);
  const std::string& address() const { return m_server.address(); }

 private:
  HelperServer m_server;
};

}  // namespace startupbench
