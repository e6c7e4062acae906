#pragma once

#include <map>
#include <memory>
#include <utility>

#include "connection_source.h"
#include "line_watcher.h"
#include "pppd_processes.h"
#include "process_table.h"

namespace orv::ras {

// Connections made by pppd: the peers folder is the phonebook, running `pppd call NAME`
// processes are the active connections (handle = pid), dialling starts pppd, hanging up
// sends it SIGTERM as poff does. Paths come from the environment at every call.
class PppdSource final : public ConnectionSource {
 public:
  // How long a hung-up pppd gets to end by itself before it is killed: pppd needs a moment
  // to say goodbye to its peer, and the program waits 3 seconds for the line to go.
  static constexpr std::chrono::milliseconds kKillAfter{2500};

  explicit PppdSource(ProcessTable& table);

  std::string phonebook() const override;
  std::uint32_t entries(std::vector<PhonebookEntry>& out) override;
  std::uint32_t dialParameters(const std::string& entry, DialParameters& out) override;
  std::uint32_t properties(const std::string& entry, EntryProperties& out) override;
  std::uint32_t activeConnections(std::vector<ActiveConnection>& out) override;
  std::uint32_t dial(const std::string& entry, const DialNotifier& notifier,
                     RasHandle& handle) override;
  std::uint32_t hangUp(RasHandle handle) override;
  std::uint32_t status(RasHandle handle, ConnectionStatus& out) override;
  std::uint32_t edit(std::uintptr_t owner, const std::string& entry) override;
  std::uint32_t remove(const std::string& entry) override;

 private:
  struct Device {
    std::string type;
    std::string name;
  };
  // The device a connection runs on, read from its peer once per pppd process.
  const Device& deviceOf(const PppdProcess& process);

  ProcessTable& m_table;
  PppdProcesses m_processes;
  std::map<std::pair<std::uint32_t, std::uint64_t>, Device> m_devices;
  LineWatcher m_watcher;  // last: its thread ends before the rest goes
};

}  // namespace orv::ras
