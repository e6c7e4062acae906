#pragma once

#include <memory>
#include <mutex>
#include <vector>

#include "connection_source.h"

namespace orv::ras {

// Hands each call of the exports to the connection sources: lists are joined, source after
// source; an entry goes to the first source that knows it (or to the one whose phonebook
// the caller names), a handle to the first source that owns it.
class Dispatcher {
 public:
  // The service's one dispatcher, over the sources of this machine.
  static Dispatcher& instance();

  explicit Dispatcher(std::vector<std::unique_ptr<ConnectionSource>> sources)
      : m_sources(std::move(sources)) {}

  std::uint32_t entries(const char* phonebook, std::vector<PhonebookEntry>& out);
  std::uint32_t dialParameters(const char* phonebook, const std::string& entry,
                               DialParameters& out);
  std::uint32_t properties(const char* phonebook, const std::string& entry, EntryProperties& out);
  std::uint32_t activeConnections(std::vector<ActiveConnection>& out);
  std::uint32_t dial(const char* phonebook, const std::string& entry, const DialNotifier& notifier,
                     RasHandle& handle);
  std::uint32_t hangUp(RasHandle handle);
  std::uint32_t status(RasHandle handle, ConnectionStatus& out);
  std::uint32_t edit(std::uintptr_t owner, const char* phonebook, const std::string& entry);
  std::uint32_t remove(const char* phonebook, const std::string& entry);

 private:
  // The sources a call naming `phonebook` (null or empty: the default) goes to.
  std::vector<ConnectionSource*> sourcesFor(const char* phonebook) const;
  template <typename Call>
  std::uint32_t firstKnowing(const char* phonebook, Call call);
  template <typename Call>
  std::uint32_t firstOwning(Call call);

  std::vector<std::unique_ptr<ConnectionSource>> m_sources;
  // The sources keep state (known processes, handles); one call at a time reaches them,
  // except the edit dialog, which runs its own event loop and must let the others through.
  std::mutex m_mutex;
};

}  // namespace orv::ras
