#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "peer_config.h"
#include "ppp_paths.h"
#include "traced_text.h"

namespace orv::ras {

// Whether a file name in the peers folder is a phonebook entry. Passed over are names that
// are not meant as a provider or cannot be one safely:
//   hidden names (".x", also "." and ".."; the editor's own temporary files are such);
//   names beginning with "-" (pppd would read `call -x` wrongly; never given to it);
//   editor and package leftovers: "~" at the end, ".bak", ".old", ".orig", ".rej", ".swp",
//   ".tmp", ".save", ".dpkg-*", ".ucf-*", ".rpmnew", ".rpmsave", ".rpmorig";
//   names with control characters (a line break or TAB would break every list they are in),
//   and names longer than an entry name may be (256 bytes).
bool isEntryName(std::string_view name);

// Why a new number cannot be written back.
enum class NumberPlace {
  Found,      // `numberFile` and `numberSpan` say where
  NoConnect,  // the peer dials nothing (no connect line, e.g. DSL)
  NotChat,    // the connect line runs something other than chat
  NoDial,     // the chat script sends no dial command
  Mixed,      // partly in the script, partly through chat -T
  Escaped,    // written with escapes or quotes in between
  Unreadable  // the chat script cannot be read
};

// One entry of the phonebook with everything the service reports about it.
struct PeerEntry {
  std::string name;
  std::string path;     // the peer file
  std::string content;  // its bytes as read
  PeerConfig config;
  std::string number;      // the dial string chat sends, "\T" resolved
  std::string chatScript;  // the script file chat reads, when it reads one
  NumberPlace numberPlace = NumberPlace::NoConnect;
  std::string numberFile;  // where the number stands (the peer file or the chat script)
  FileSpan numberSpan;
};

class Phonebook {
 public:
  explicit Phonebook(PppPaths paths) : m_paths(std::move(paths)) {}

  const PppPaths& paths() const { return m_paths; }

  // The entry names, in byte order. A missing peers folder is an empty phonebook; otherwise
  // a folder that cannot be read gives its error code.
  std::uint32_t list(std::vector<std::string>& names) const;

  // Reads one entry: 0, 623 for no such entry, 5 when its file may not be read.
  std::uint32_t load(const std::string& name, PeerEntry& entry) const;

 private:
  PppPaths m_paths;
};

// The password pppd would send for `config`'s user: from pap-secrets, else chap-secrets,
// where readable. A secret kept in a file of its own ("@/path") counts as not saved.
bool readSavedPassword(const PppPaths& paths, const PeerConfig& config, std::string& password);

}  // namespace orv::ras
