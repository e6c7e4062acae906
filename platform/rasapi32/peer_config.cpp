#include "peer_config.h"

#include <sys/stat.h>

#include <cctype>
#include <cstring>

namespace orv::ras {
namespace {

// Options whose next word is their argument, so that it is not taken for a device or option.
bool takesArgument(const std::string& option) {
  static const char* const kOptions[] = {"active-filter",
                                         "allow-ip",
                                         "allow-number",
                                         "asyncmap",
                                         "bsdcomp",
                                         "call",
                                         "chap-interval",
                                         "chap-max-challenge",
                                         "chap-restart",
                                         "child-timeout",
                                         "connect",
                                         "connect-delay",
                                         "deflate",
                                         "disconnect",
                                         "domain",
                                         "eap-interval",
                                         "eap-max-rreq",
                                         "eap-max-sreq",
                                         "eap-restart",
                                         "eap-rtimeout",
                                         "eap-timeout",
                                         "escape",
                                         "file",
                                         "holdoff",
                                         "idle",
                                         "ifname",
                                         "init",
                                         "ipcp-max-configure",
                                         "ipcp-max-failure",
                                         "ipcp-max-terminate",
                                         "ipcp-restart",
                                         "ipparam",
                                         "ipv6cp-max-configure",
                                         "ipv6cp-max-failure",
                                         "ipv6cp-max-terminate",
                                         "ipv6cp-restart",
                                         "kdebug",
                                         "lcp-echo-failure",
                                         "lcp-echo-interval",
                                         "lcp-max-configure",
                                         "lcp-max-failure",
                                         "lcp-max-terminate",
                                         "lcp-restart",
                                         "linkname",
                                         "logfd",
                                         "logfile",
                                         "maxconnect",
                                         "maxfail",
                                         "mru",
                                         "ms-dns",
                                         "ms-wins",
                                         "mtu",
                                         "name",
                                         "netmask",
                                         "pap-max-authreq",
                                         "pap-restart",
                                         "pap-timeout",
                                         "pass-filter",
                                         "password",
                                         "plugin",
                                         "pty",
                                         "record",
                                         "remotename",
                                         "remotenumber",
                                         "socket",
                                         "unit",
                                         "user",
                                         "vj-max-slots",
                                         "welcome"};
  for (const char* o : kOptions)
    if (option == o) return true;
  return false;
}

std::string baseName(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool contains(const std::string& text, const char* part) {
  return text.find(part) != std::string::npos;
}

bool isNetworkInterface(const std::string& name) {
  if (name.empty() || name.find('/') != std::string::npos || name[0] == '.') return false;
  struct stat info {};
  return ::stat(("/sys/class/net/" + name).c_str(), &info) == 0;
}

}  // namespace

PeerConfig parsePeer(const std::string& file) {
  PeerConfig peer;
  peer.words = splitPppdWords(file);
  const auto& w = peer.words;
  std::string plugin, tty, pty, interface;
  for (std::size_t i = 0; i < w.size(); ++i) {
    const std::string& word = w[i].value.text;
    if (takesArgument(word)) {
      if (i + 1 >= w.size()) break;
      const std::string& argument = w[i + 1].value.text;
      if (word == "user") peer.userOption = i;
      if (word == "connect") peer.connectOption = i;
      if (word == "remotename") peer.remoteName = argument;
      if (word == "plugin") plugin = baseName(argument);
      if (word == "pty") pty = argument;
      ++i;
    } else if (word == "defaultroute") {
      peer.defaultRoute = true;
    } else if (word == "nodefaultroute") {
      peer.defaultRoute = false;
    } else if (word.rfind("/dev/", 0) == 0 || word.rfind("tty", 0) == 0) {
      tty = word[0] == '/' ? word : "/dev/" + word;
    } else if (word.rfind("nic-", 0) == 0) {
      interface = word.substr(4);
    } else if (!plugin.empty() && interface.empty() && isNetworkInterface(word)) {
      interface = word;
    }
  }
  if (const PppdWord* user = peer.userWord()) peer.user = user->value.text;

  if (contains(plugin, "pppoe")) {
    peer.deviceType = "PPPoE";
    peer.deviceName = interface;
  } else if (contains(plugin, "pppoatm")) {
    peer.deviceType = "ATM";
  } else if (contains(plugin, "capi")) {
    peer.deviceType = "isdn";
    peer.deviceName = "CAPI";
  } else if (!pty.empty()) {
    peer.deviceType = "vpn";
    const std::size_t end = pty.find_first_of(" \t");
    peer.deviceName = baseName(pty.substr(0, end));
  } else if (!tty.empty()) {
    peer.deviceType = tty.rfind("/dev/ttyI", 0) == 0 ? "isdn"
                      : peer.connectOption           ? "modem"
                                                     : "serial";
    peer.deviceName = tty;
  } else if (peer.connectOption) {
    peer.deviceType = "modem";
  }
  return peer;
}

SecretsFile parseSecrets(const std::string& file) {
  SecretsFile secrets;
  secrets.words = splitPppdWords(file);
  const auto& w = secrets.words;
  for (std::size_t i = 0; i < w.size();) {
    std::size_t end = i + 1;
    while (end < w.size() && !w[end].firstOnLine) ++end;
    if (end - i >= 3) secrets.entries.push_back({i, i + 1, i + 2});
    i = end;
  }
  return secrets;
}

std::optional<std::size_t> findSecret(const SecretsFile& secrets, const std::string& user,
                                      const std::string& remote, bool exactClient) {
  std::optional<std::size_t> best;
  int bestScore = -1;
  for (std::size_t e = 0; e < secrets.entries.size(); ++e) {
    const std::string& client = secrets.words[secrets.entries[e].client].value.text;
    const std::string& server = secrets.words[secrets.entries[e].server].value.text;
    const bool clientExact = client == user;
    if (!clientExact && (exactClient || client != "*")) continue;
    const bool serverExact = !remote.empty() && server == remote;
    if (!serverExact && server != "*" && !remote.empty()) continue;
    const int score = (clientExact ? 2 : 0) + (serverExact ? 1 : 0);
    if (score > bestScore) {
      best = e;
      bestScore = score;
    }
  }
  return best;
}

}  // namespace orv::ras
