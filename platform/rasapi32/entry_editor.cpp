#include "entry_editor.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <map>
#include <vector>

#include "rasapi32.h"
#include "text_file.h"

namespace orv::ras {
namespace {

struct Splice {
  FileSpan span;
  std::string text;
};

std::string reasonOf(int error, const std::string& path) {
  switch (error) {
    case ELOOP:
      return path + " ist eine Verknüpfung; ORV ändert sie nicht.";
    case EROFS:
      return path + " liegt auf einem schreibgeschützten Datenträger.";
    default:
      return "Keine Schreibrechte für " + path + ".";
  }
}

std::string describeFailure(int error) {
  switch (error) {
    case EACCES:
    case EPERM:
      return "Zugriff verweigert";
    case EROFS:
      return "schreibgeschützter Datenträger";
    case ENOSPC:
      return "Datenträger voll";
    case ELOOP:
      return "die Datei ist eine Verknüpfung";
    default:
      return "Fehler " + std::to_string(error);
  }
}

// A new line at the end of `content`.
Splice appendLine(const std::string& content, const std::string& line) {
  const bool needsBreak = !content.empty() && content.back() != '\n';
  return {{content.size(), content.size()}, (needsBreak ? "\n" : "") + line + "\n"};
}

// Widens `span` to its whole line when nothing but blanks would be left of that line.
FileSpan wholeLineIfEmptied(const std::string& content, FileSpan span) {
  std::size_t begin = span.begin;
  while (begin > 0 && (content[begin - 1] == ' ' || content[begin - 1] == '\t')) --begin;
  std::size_t end = span.end;
  while (end < content.size() && (content[end] == ' ' || content[end] == '\t')) ++end;
  const bool lineStart = begin == 0 || content[begin - 1] == '\n';
  const bool lineEnd = end == content.size() || content[end] == '\n' || content[end] == '\r';
  if (!lineStart || !lineEnd) return span;
  while (end < content.size() && content[end] != '\n') ++end;
  if (end < content.size()) ++end;
  return {begin, end};
}

const char* placeReason(NumberPlace place) {
  switch (place) {
    case NumberPlace::NoConnect:
      return "Diese Verbindung wählt keine Rufnummer.";
    case NumberPlace::NotChat:
      return "Die Verbindung wählt nicht mit chat; ORV kann die Rufnummer nicht ändern.";
    case NumberPlace::NoDial:
      return "Das Chat-Skript enthält keinen Wählbefehl.";
    case NumberPlace::Mixed:
      return "Die Rufnummer steht teils im Chat-Skript, teils in der connect-Zeile; ORV kann "
             "sie nicht ändern.";
    case NumberPlace::Escaped:
      return "Die Rufnummer ist mit Sonderzeichen geschrieben; ORV kann sie nicht ändern.";
    default:
      return "";
  }
}

// Whether the number of `entry`, standing in its connect command, begins a word of the
// command as sh reads it (after pppd's quotes and escapes).
bool startsShellWord(const PeerEntry& entry) {
  const PppdWord* connect = entry.config.connectWord();
  if (!connect) return false;
  const TracedText& command = connect->value;
  for (std::size_t k = 0; k < command.size(); ++k)
    if (command.origin[k] == entry.numberSpan.begin)
      return k == 0 || command.text[k - 1] == ' ' || command.text[k - 1] == '\t';
  return false;
}

}  // namespace

std::uint32_t EntryEditor::load(const std::string& name, EntryEditPlan& plan) const {
  plan = EntryEditPlan{};
  const std::uint32_t result = Phonebook(m_paths).load(name, plan.entry);
  if (result != RAS_SUCCESS) return result;
  const PeerEntry& entry = plan.entry;
  plan.values.number = entry.number;
  plan.values.user = entry.config.user;
  readSavedPassword(m_paths, entry.config, plan.values.password);

  auto access = [&](const std::string& path) {
    FieldAccess a;
    if (!m_paths.mayWrite(path)) {
      a.reason = path + " liegt außerhalb von " + m_paths.pppDir + " und " +
                 m_paths.chatScriptsDir() + "; ORV ändert dort nichts.";
      return a;
    }
    const int error = checkReplaceable(path);
    a.writable = error == 0;
    if (error != 0) a.reason = reasonOf(error, path);
    return a;
  };

  plan.user = access(entry.path);

  if (entry.numberPlace == NumberPlace::Found) {
    plan.number = access(entry.numberFile);
    if (entry.numberFile == entry.path) {
      plan.numberFileContent = entry.content;
    } else if (const auto content = readConfigFile(entry.numberFile)) {
      plan.numberFileContent = *content;
    }
  } else if (entry.numberPlace == NumberPlace::Unreadable) {
    plan.number.reason = "Das Chat-Skript " + entry.chatScript + " kann nicht gelesen werden.";
  } else {
    plan.number.reason = placeReason(entry.numberPlace);
  }

  plan.password.writable = true;
  bool anyExists = false;
  for (const std::string& file : {m_paths.papSecrets(), m_paths.chapSecrets()}) {
    struct stat info {};
    if (::lstat(file.c_str(), &info) != 0) continue;
    anyExists = true;
    if (::access(file.c_str(), R_OK) != 0) {
      plan.password = {
          false, "Das Kennwort kann nicht gelesen werden: Keine Leserechte für " + file + "."};
      break;
    }
    const FieldAccess a = access(file);
    if (!a.writable) {
      plan.password = a;
      break;
    }
  }
  if (!anyExists) plan.password = access(m_paths.papSecrets());
  return RAS_SUCCESS;
}

std::string EntryEditor::save(const EntryEditPlan& plan, const EntryValues& values) const {
  const PeerEntry& entry = plan.entry;
  const bool numberChanged = values.number != plan.values.number;
  const bool userChanged = values.user != plan.values.user;
  const bool passwordChanged = values.password != plan.values.password;
  // The secret belongs to the user: a new password, or the old one under a new user. With
  // neither a user nor a password left there is nothing to store.
  const bool secretsChanged = (passwordChanged || (userChanged && !values.password.empty())) &&
                              !(values.user.empty() && values.password.empty());

  if ((numberChanged && !plan.number.writable) || (userChanged && !plan.user.writable) ||
      (secretsChanged && !plan.password.writable))
    return "Diese Angaben können nicht geändert werden.";
  if (const std::string invalid = checkEntryValues(plan.values, values); !invalid.empty())
    return invalid;
  if (secretsChanged && values.user.empty())
    return "Ohne Benutzernamen kann kein Kennwort gespeichert werden.";

  // The files as they are now; the spans found at load time fit them only when unchanged.
  const std::string changedMeanwhile =
      "Die Verbindung wurde inzwischen geändert. Bitte öffnen Sie den Dialog erneut.";
  PeerEntry fresh;
  if (Phonebook(m_paths).load(entry.name, fresh) != RAS_SUCCESS || fresh.content != entry.content)
    return changedMeanwhile;
  std::map<std::string, std::string> contents{{entry.path, fresh.content}};
  std::map<std::string, std::vector<Splice>> edits;

  if (numberChanged) {
    if (!contents.count(entry.numberFile)) {
      const auto content = readConfigFile(entry.numberFile);
      if (!content) return "Das Chat-Skript " + entry.numberFile + " kann nicht gelesen werden.";
      contents[entry.numberFile] = *content;
    }
    if (contents[entry.numberFile] != plan.numberFileContent) return changedMeanwhile;
    // In the peer file the number is part of the connect command that sh runs, and there a
    // "#" at the start of a word begins a comment: the rest of the command would be lost.
    if (entry.numberFile == entry.path && values.number[0] == '#' && startsShellWord(entry))
      return "Eine Rufnummer, die mit # beginnt, kann in der connect-Zeile nicht stehen.";
    edits[entry.numberFile].push_back({entry.numberSpan, values.number});
  }

  if (userChanged) {
    const PeerConfig& config = entry.config;
    if (const PppdWord* user = config.userWord()) {
      if (values.user.empty()) {
        const FileSpan option{config.words[*config.userOption].raw.begin, user->raw.end};
        edits[entry.path].push_back({wholeLineIfEmptied(entry.content, option), ""});
      } else {
        edits[entry.path].push_back({user->raw, quotePppdWord(values.user)});
      }
    } else if (!values.user.empty()) {
      edits[entry.path].push_back(appendLine(entry.content, "user " + quotePppdWord(values.user)));
    }
  }

  if (secretsChanged) {
    const std::string files[] = {m_paths.papSecrets(), m_paths.chapSecrets()};
    bool found = false;
    for (const std::string& file : files) {
      int error = 0;
      const auto content = readConfigFile(file, &error);
      if (!content && error != ENOENT) return "Die Datei " + file + " kann nicht gelesen werden.";
      contents[file] = content ? *content : std::string();
      const SecretsFile secrets = parseSecrets(contents[file]);
      const auto line = findSecret(secrets, values.user, entry.config.remoteName, true);
      if (!line) continue;
      edits[file].push_back(
          {secrets.words[secrets.entries[*line].secret].raw, quotePppdWord(values.password)});
      found = true;
    }
    if (!found && !values.password.empty()) {
      const std::string line = quotePppdWord(values.user) + " * " + quotePppdWord(values.password);
      for (const std::string& file : files) edits[file].push_back(appendLine(contents[file], line));
    }
  }

  for (auto& [file, splices] : edits) {
    std::string content = contents[file];
    std::sort(splices.begin(), splices.end(),
              [](const Splice& a, const Splice& b) { return a.span.begin > b.span.begin; });
    for (const Splice& s : splices)
      content.replace(s.span.begin, s.span.end - s.span.begin, s.text);
    const int error = replaceFileAtomically(file, content, 0600);
    if (error != 0)
      return "Die Datei " + file + " kann nicht geschrieben werden: " + describeFailure(error) +
             ".";
  }
  return {};
}

}  // namespace orv::ras
