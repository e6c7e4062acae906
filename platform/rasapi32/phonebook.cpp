#include "phonebook.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <memory>

#include "chat_script.h"
#include "rasapi32.h"
#include "text_file.h"

namespace orv::ras {
namespace {

bool endsWith(std::string_view s, std::string_view tail) {
  return s.size() >= tail.size() && s.substr(s.size() - tail.size()) == tail;
}

// Finds the dial string of `entry` and where it stands.
void locateNumber(PeerEntry& entry) {
  const PppdWord* connect = entry.config.connectWord();
  if (!connect) return;
  entry.numberPlace = NumberPlace::NotChat;
  const auto words = splitShellWords(connect->value);
  if (!words) return;
  const auto chat = parseChatCall(*words);
  if (!chat) return;

  // The script's strings, traced to the file they stand in.
  std::vector<TracedText> strings;
  std::string scriptFile = entry.path;
  const std::string* scriptText = &entry.content;
  std::string chatContent;
  if (chat->scriptFile) {
    // pppd runs the connect command from the root folder.
    entry.chatScript = chat->scriptFile->text;
    if (entry.chatScript.empty() || entry.chatScript[0] != '/') entry.chatScript.insert(0, "/");
    const auto content = readConfigFile(entry.chatScript);
    entry.numberPlace = NumberPlace::Unreadable;
    if (!content) return;
    chatContent = *content;
    const auto split = splitChatScript(chatContent);
    entry.numberPlace = NumberPlace::NoDial;
    if (!split) return;
    strings = *split;
    scriptFile = entry.chatScript;
    scriptText = &chatContent;
  } else {
    strings = chat->script;
  }
  const auto dial = findDialString(strings, chat->phone);
  entry.numberPlace = NumberPlace::NoDial;
  if (!dial) return;
  entry.number = dial->number.text;

  if (dial->mixed) {
    entry.numberPlace = NumberPlace::Mixed;
    return;
  }
  const TracedText* number = &dial->number;
  std::string file = scriptFile;
  const std::string* text = scriptText;
  std::size_t emptyAt = dial->insertAt;
  if (dial->viaPhoneOption) {
    // The number is chat's -T argument on the connect line of the peer file.
    if (!chat->phone) {
      entry.numberPlace = NumberPlace::Escaped;  // "\T" without -T: nothing to change
      return;
    }
    number = &*chat->phone;
    file = entry.path;
    text = &entry.content;
    emptyAt = chat->phone->empty() ? std::string::npos : chat->phone->origin.back() + 1;
  }
  if (number->empty()) {
    entry.numberPlace = emptyAt == std::string::npos ? NumberPlace::Escaped : NumberPlace::Found;
    entry.numberSpan = {emptyAt, emptyAt};
  } else if (number->isVerbatim(0, number->size(), *text)) {
    entry.numberPlace = NumberPlace::Found;
    entry.numberSpan = {number->origin.front(), number->origin.back() + 1};
  } else {
    entry.numberPlace = NumberPlace::Escaped;
  }
  entry.numberFile = file;
}

}  // namespace

bool isEntryName(std::string_view name) {
  if (name.empty() || name.size() > RAS_MAX_ENTRY_NAME || name[0] == '.' || name[0] == '-')
    return false;
  for (const char c : name)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F || c == '/') return false;
  static const char* const kLeftoverEndings[] = {"~",       ".bak",     ".old",    ".orig",
                                                 ".rej",    ".swp",     ".tmp",    ".save",
                                                 ".rpmnew", ".rpmsave", ".rpmorig"};
  for (const char* tail : kLeftoverEndings)
    if (endsWith(name, tail)) return false;
  return name.find(".dpkg-") == std::string_view::npos &&
         name.find(".ucf-") == std::string_view::npos;
}

std::uint32_t Phonebook::list(std::vector<std::string>& names) const {
  names.clear();
  const std::string folder = m_paths.peersDir();
  const std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.c_str()), &::closedir);
  if (!dir) {
    if (errno == ENOENT) return RAS_SUCCESS;  // a machine without dial-up connections
    return errno == EACCES ? RAS_ERROR_PEERS_NOT_PERMITTED : RAS_ERROR_CANNOT_OPEN_PHONEBOOK;
  }
  while (const dirent* e = ::readdir(dir.get())) {
    const std::string_view name(e->d_name);
    if (!isEntryName(name)) continue;
    // Regular files only (a link to one counts, as pppd follows it).
    struct stat info {};
    if (::stat((folder + '/').append(name).c_str(), &info) != 0 || !S_ISREG(info.st_mode)) continue;
    names.emplace_back(name);
  }
  std::sort(names.begin(), names.end());
  return RAS_SUCCESS;
}

std::uint32_t Phonebook::load(const std::string& name, PeerEntry& entry) const {
  if (!isEntryName(name)) return RAS_ERROR_CANNOT_FIND_PHONEBOOK_ENTRY;
  entry = PeerEntry{};
  entry.name = name;
  entry.path = m_paths.peerFile(name);
  int error = 0;
  auto content = readConfigFile(entry.path, &error);
  if (!content)
    return error == EACCES ? RAS_ERROR_ACCESS_DENIED : RAS_ERROR_CANNOT_FIND_PHONEBOOK_ENTRY;
  entry.content = std::move(*content);
  entry.config = parsePeer(entry.content);
  locateNumber(entry);
  return RAS_SUCCESS;
}

bool readSavedPassword(const PppPaths& paths, const PeerConfig& config, std::string& password) {
  if (config.user.empty()) return false;  // pppd would log in under the host's name
  for (const std::string& file : {paths.papSecrets(), paths.chapSecrets()}) {
    const auto content = readConfigFile(file);
    if (!content) continue;
    const SecretsFile secrets = parseSecrets(*content);
    const auto entry = findSecret(secrets, config.user, config.remoteName);
    if (!entry) continue;
    const std::string& secret = secrets.words[secrets.entries[*entry].secret].value.text;
    if (!secret.empty() && secret[0] == '@') return false;
    password = secret;
    return true;
  }
  return false;
}

}  // namespace orv::ras
