#pragma once

#include <QString>
#include <QStringList>
#include <chrono>
#include <map>
#include <mutex>
#include <optional>
#include <vector>

#include "connection_source.h"
#include "entry_dialog.h"
#include "nm_bus.h"
#include "nm_profile.h"

namespace orv::ras {

// Connections run by NetworkManager (with ModemManager): its profiles of the dial-up kinds
// (nm_profile.h) are the phonebook, its active connections of those profiles the active
// connections. Dialling activates a profile, hanging up deactivates it, deleting deletes it.
// Where no NetworkManager answers, this source simply has no entries and no connections.
//
// Cost: the dial-up monitor asks for the active connections every second. That is one
// question to NetworkManager (its list of active connections); only connections not seen
// before are asked about. Entry operations read the one profile they need; listing the
// entries reads every profile.
class NetworkManagerSource final : public ConnectionSource {
 public:
  // How long a deactivated connection may take to go before its devices are disconnected,
  // so that a hang-up is certain within the program's 3-second wait.
  static constexpr std::chrono::milliseconds kDisconnectAfter{2500};

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
  struct Active {
    RasHandle handle = 0;
    bool dialUp = false;
    std::string uuid;
    std::string entryName;
    QString profilePath;
    std::string deviceType;
    std::string deviceName;
    std::string number;
  };
  struct HangUp {
    std::chrono::steady_clock::time_point disconnectAt;
    QStringList devices;
  };
  struct Found {  // an active connection as NetworkManager reports it now
    std::uint32_t error = RAS_SUCCESS;
    QVariantMap properties;
  };

  bool connected();
  // Every profile of a dial-up kind, read anew: 0, or why NetworkManager gave no list.
  std::uint32_t loadProfiles(std::vector<NmProfile>& profiles);
  std::optional<NmProfile> readProfile(const QString& path);
  // The profile an entry name stands for, checked against NetworkManager now.
  std::optional<NmProfile> findProfile(const std::string& entry);
  std::optional<Active> describe(const QString& activePath);
  // Takes NetworkManager's list of active connections, asking about new ones only.
  void refreshActive();
  // The active connection behind a handle of ours, when it is still the one reported.
  Found lookUp(RasHandle handle);
  void disconnectOverdue(RasHandle handle, std::uint32_t state);
  bool readPassword(const NmProfile& profile, std::string& password);
  EntryDialogContent dialogContent(const NmProfile& profile);
  std::string save(const NmProfile& profile, const EntryValues& before, const EntryValues& after);

  // Guards what follows against the edit dialog, which runs outside the service's lock
  // (its own event loop lets the monitor's calls in) and needs the bus itself.
  std::mutex m_mutex;
  NmBus m_bus;
  std::uint64_t m_generation = 0;     // the bus connection the rest was learnt over
  std::vector<NmProfile> m_profiles;  // as the last look at them found them
  QStringList m_activePaths;          // NetworkManager's active connections at the last look
  bool m_activeComplete = false;      // and every one of them could be described
  std::map<QString, Active> m_active;
  std::map<RasHandle, HangUp> m_hangUps;
};

}  // namespace orv::ras
