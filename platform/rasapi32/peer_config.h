#pragma once

#include <optional>
#include <string>
#include <vector>

#include "pppd_words.h"

namespace orv::ras {

// What the service takes from a peer file (the options pppd reads for `pppd call NAME`).
// Later options override earlier ones, as in pppd. Files the peer includes with "file" or
// "call" are not followed.
struct PeerConfig {
  std::vector<PppdWord> words;
  std::optional<std::size_t> userOption;     // index of the last "user" word; its value follows
  std::optional<std::size_t> connectOption;  // index of the last "connect"; its command follows
  std::string user;
  std::string remoteName;
  std::string deviceType;  // "modem", "isdn", "serial", "PPPoE", "ATM", "vpn", or empty
  std::string deviceName;  // the tty, network interface or program behind the line
  bool defaultRoute = false;

  const PppdWord* userWord() const { return optionValue(userOption); }
  const PppdWord* connectWord() const { return optionValue(connectOption); }

 private:
  const PppdWord* optionValue(const std::optional<std::size_t>& option) const {
    return option && *option + 1 < words.size() ? &words[*option + 1] : nullptr;
  }
};

PeerConfig parsePeer(const std::string& file);

// Secrets file (pap-secrets, chap-secrets): one entry a line, "client server secret ...".
struct SecretEntry {
  std::size_t client = 0;  // word indices
  std::size_t server = 0;
  std::size_t secret = 0;
};

struct SecretsFile {
  std::vector<PppdWord> words;
  std::vector<SecretEntry> entries;
};

SecretsFile parseSecrets(const std::string& file);

// The entry pppd would take for `user` logging in to `remote` (empty: any remote): the
// closest match, an exact name before "*". With `exactClient`, only entries naming `user`
// itself (the one to change when the user sets a new password).
std::optional<std::size_t> findSecret(const SecretsFile& secrets, const std::string& user,
                                      const std::string& remote, bool exactClient = false);

}  // namespace orv::ras
