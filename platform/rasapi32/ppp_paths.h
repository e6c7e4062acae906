#pragma once

#include <string>

namespace orv::ras {

// Where pppd and its files live, and where NetworkManager is asked. The one place that
// decides every path, program and bus the service reads, writes, runs or talks to; the
// environment overrides the defaults (tests, packagers):
//   ORV_PPP_DIR         /etc/ppp        peers/, pap-secrets, chap-secrets
//   ORV_PPPD            /usr/sbin/pppd  the program started to dial
//   ORV_PPP_RUN_DIR     /run            where pppd leaves its pid files
//   ORV_NM_BUS_ADDRESS  (the system bus) the D-Bus address NetworkManager is asked on;
//                       "none": NetworkManager is never asked
//   ORV_NM_EDITOR       /usr/bin/nm-connection-editor  the desktop's editor for its profiles
// Chat scripts are read wherever a peer's connect line names them, but written only below
// the ppp folder or its sibling "chatscripts" (Debian's /etc/chatscripts).
struct PppPaths {
  std::string pppDir;
  std::string pppd;
  std::string runDir;
  std::string nmBusAddress = {};  // empty: the system bus
  std::string nmEditor = {};

  static constexpr const char* kNoBus = "none";

  static PppPaths fromEnvironment();

  std::string peersDir() const { return pppDir + "/peers"; }
  std::string peerFile(const std::string& entry) const { return peersDir() + '/' + entry; }
  std::string papSecrets() const { return pppDir + "/pap-secrets"; }
  std::string chapSecrets() const { return pppDir + "/chap-secrets"; }
  std::string chatScriptsDir() const;
  // Whether the service may write the file at `path`: it lies below the ppp folder or the
  // chat scripts folder once every link on the way is resolved.
  bool mayWrite(const std::string& path) const;
};

}  // namespace orv::ras
