#include "dispatcher.h"

#include <cstring>

#include "nm_source.h"
#include "pppd_source.h"
#include "process_table.h"

namespace orv::ras {
namespace {

std::string withoutTrailingSlashes(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

}  // namespace

Dispatcher& Dispatcher::instance() {
  static ProcFsTable table;
  static Dispatcher dispatcher([] {
    std::vector<std::unique_ptr<ConnectionSource>> sources;
    sources.push_back(std::make_unique<PppdSource>(table));
    sources.push_back(std::make_unique<NetworkManagerSource>());
    return sources;
  }());
  return dispatcher;
}

std::vector<ConnectionSource*> Dispatcher::sourcesFor(const char* phonebook) const {
  std::vector<ConnectionSource*> chosen;
  const bool any = phonebook == nullptr || *phonebook == '\0';
  for (const auto& source : m_sources)
    if (any || withoutTrailingSlashes(phonebook) == withoutTrailingSlashes(source->phonebook()))
      chosen.push_back(source.get());
  return chosen;
}

template <typename Call>
std::uint32_t Dispatcher::firstKnowing(const char* phonebook, Call call) {
  const auto sources = sourcesFor(phonebook);
  if (sources.empty()) return RAS_ERROR_CANNOT_OPEN_PHONEBOOK;
  std::uint32_t result = RAS_ERROR_CANNOT_FIND_PHONEBOOK_ENTRY;
  for (ConnectionSource* source : sources) {
    result = call(*source);
    if (result != RAS_ERROR_CANNOT_FIND_PHONEBOOK_ENTRY) break;
  }
  return result;
}

template <typename Call>
std::uint32_t Dispatcher::firstOwning(Call call) {
  std::uint32_t result = RAS_ERROR_INVALID_HANDLE;
  for (const auto& source : m_sources) {
    result = call(*source);
    if (result != RAS_ERROR_INVALID_HANDLE) break;
  }
  return result;
}

std::uint32_t Dispatcher::entries(const char* phonebook, std::vector<PhonebookEntry>& out) {
  std::lock_guard<std::mutex> lock(m_mutex);
  const auto sources = sourcesFor(phonebook);
  if (sources.empty()) return RAS_ERROR_CANNOT_OPEN_PHONEBOOK;
  // One source that cannot be read does not hide the others; alone, it is the answer.
  std::uint32_t firstError = RAS_SUCCESS;
  bool anyRead = false;
  for (ConnectionSource* source : sources) {
    const std::uint32_t result = source->entries(out);
    if (result == RAS_SUCCESS)
      anyRead = true;
    else if (firstError == RAS_SUCCESS)
      firstError = result;
  }
  return anyRead ? static_cast<std::uint32_t>(RAS_SUCCESS) : firstError;
}

std::uint32_t Dispatcher::dialParameters(const char* phonebook, const std::string& entry,
                                         DialParameters& out) {
  std::lock_guard<std::mutex> lock(m_mutex);
  return firstKnowing(phonebook, [&](ConnectionSource& s) { return s.dialParameters(entry, out); });
}

std::uint32_t Dispatcher::properties(const char* phonebook, const std::string& entry,
                                     EntryProperties& out) {
  std::lock_guard<std::mutex> lock(m_mutex);
  return firstKnowing(phonebook, [&](ConnectionSource& s) { return s.properties(entry, out); });
}

std::uint32_t Dispatcher::activeConnections(std::vector<ActiveConnection>& out) {
  std::lock_guard<std::mutex> lock(m_mutex);
  for (const auto& source : m_sources) {
    const std::uint32_t result = source->activeConnections(out);
    if (result != RAS_SUCCESS) return result;
  }
  return RAS_SUCCESS;
}

std::uint32_t Dispatcher::dial(const char* phonebook, const std::string& entry,
                               const DialNotifier& notifier, RasHandle& handle) {
  std::lock_guard<std::mutex> lock(m_mutex);
  return firstKnowing(phonebook,
                      [&](ConnectionSource& s) { return s.dial(entry, notifier, handle); });
}

std::uint32_t Dispatcher::hangUp(RasHandle handle) {
  std::lock_guard<std::mutex> lock(m_mutex);
  return firstOwning([&](ConnectionSource& s) { return s.hangUp(handle); });
}

std::uint32_t Dispatcher::status(RasHandle handle, ConnectionStatus& out) {
  std::lock_guard<std::mutex> lock(m_mutex);
  return firstOwning([&](ConnectionSource& s) { return s.status(handle, out); });
}

std::uint32_t Dispatcher::edit(std::uintptr_t owner, const char* phonebook,
                               const std::string& entry) {
  return firstKnowing(phonebook, [&](ConnectionSource& s) { return s.edit(owner, entry); });
}

std::uint32_t Dispatcher::remove(const char* phonebook, const std::string& entry) {
  std::lock_guard<std::mutex> lock(m_mutex);
  return firstKnowing(phonebook, [&](ConnectionSource& s) { return s.remove(entry); });
}

}  // namespace orv::ras
