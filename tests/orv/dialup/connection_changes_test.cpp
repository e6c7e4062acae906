// The change rule of ListActiveConnections, against a scripted service: the same
// connections in the same order are no change; anything else is.
#include <dlfcn.h>
#include <QTest>
#include <cstring>

#include "dialup/ras_connector.h"
#include "dialup/ras_library.h"

namespace {

struct Connection {
  RasHandle handle;
  const char* entry;
  const char* device = "";
};

using Script = void (*)(const RASCONNA*, uint32_t, uint32_t);

}  // namespace

class ConnectionChanges : public QObject {
  Q_OBJECT

 private:
  Script m_script = nullptr;
  void* m_handle = nullptr;

  void script(const std::vector<Connection>& connections, uint32_t result = RAS_SUCCESS) {
    std::vector<RASCONNA> records(connections.size());
    for (std::size_t i = 0; i < connections.size(); ++i) {
      records[i] = RASCONNA{};
      records[i].dwSize = RAS_SIZE_CONN;
      records[i].hrasconn = connections[i].handle;
      std::strcpy(records[i].szEntryName, connections[i].entry);
      std::strcpy(records[i].szDeviceName, connections[i].device);
    }
    m_script(records.data(), static_cast<uint32_t>(records.size()), result);
  }

 private slots:
  void initTestCase() {
    orv::RasLibrary::resetShared(SCRIPTED_SERVICE);
    QVERIFY(orv::RasLibrary::shared().ensureLoaded());
    // The same library the connector opened: dlopen hands out the loaded one.
    m_handle = dlopen(SCRIPTED_SERVICE, RTLD_NOW | RTLD_NOLOAD);
    QVERIFY(m_handle);
    m_script = reinterpret_cast<Script>(dlsym(m_handle, "ScriptConnections"));
    QVERIFY(m_script);
  }
  void cleanupTestCase() {
    if (m_handle) dlclose(m_handle);
    orv::RasLibrary::resetShared(orv::RasLibrary::serviceLibraryName());
  }

  void changeRule() {
    orv::TRasConnector connector;
    struct Step {
      const char* what;
      std::vector<Connection> connections;
      uint32_t result;
      bool changed;
    };
    const Step steps[] = {
        {"nothing, nothing before", {}, RAS_SUCCESS, false},
        {"new", {{11, "a"}}, RAS_SUCCESS, true},
        {"same again", {{11, "a"}}, RAS_SUCCESS, false},
        {"second one", {{11, "a"}, {12, "b"}}, RAS_SUCCESS, true},
        {"swapped", {{12, "b"}, {11, "a"}}, RAS_SUCCESS, true},
        {"re-dialled", {{12, "b"}, {13, "a"}}, RAS_SUCCESS, true},
        {"vanished", {{13, "a"}}, RAS_SUCCESS, true},
        // Whatever bytes a record carries count: another device is a change as well.
        {"other device", {{13, "a", "/dev/ttyS1"}}, RAS_SUCCESS, true},
        {"failing enumeration", {}, RAS_ERROR_BUFFER_TOO_SMALL, true},
        {"still nothing", {}, RAS_SUCCESS, false},
    };
    for (const Step& step : steps) {
      script(step.connections, step.result);
      QCOMPARE(connector.ListActiveConnections(), step.result);
      QVERIFY2(connector.ConnectionsChanged == step.changed, step.what);
      QCOMPARE(connector.ActiveConnections.Count(), static_cast<int>(step.connections.size()));
      for (std::size_t i = 0; i < step.connections.size(); ++i) {
        QCOMPARE(connector.ActiveConnections.HandleAt(static_cast<int>(i)),
                 step.connections[i].handle);
        QCOMPARE(connector.ActiveConnections.EntryNameAt(static_cast<int>(i)),
                 QByteArray(step.connections[i].entry));
      }
    }
  }

  void moreThanEightKeepTheFirstEight() {
    orv::TRasConnector connector;
    std::vector<Connection> nine;
    for (RasHandle h = 1; h <= 9; ++h) nine.push_back({h, "x"});
    script(nine, RAS_ERROR_BUFFER_TOO_SMALL);
    QCOMPARE(connector.ListActiveConnections(), uint32_t{RAS_ERROR_BUFFER_TOO_SMALL});
    QCOMPARE(connector.ActiveConnections.Count(), 8);
    QCOMPARE(connector.ActiveConnections.HandleAt(7), RasHandle{8});
  }
};

QTEST_GUILESS_MAIN(ConnectionChanges)
#include "connection_changes_test.moc"
