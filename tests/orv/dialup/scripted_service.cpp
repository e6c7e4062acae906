// A dial-up service that answers the connection enumeration from a script the test sets,
// so that the connector's change rule can be driven through orders and counts the real
// service never produces (two connections trading places, more than fit).
#include <cstring>
#include <vector>

#include "rasapi32.h"

namespace {

std::vector<RASCONNA> g_connections;
uint32_t g_result = RAS_SUCCESS;

}  // namespace

// The connections the next enumerations report, and the result they give.
ORV_EXPORT void ScriptConnections(const RASCONNA* connections, uint32_t count, uint32_t result) {
  g_connections.assign(connections, connections + count);
  g_result = result;
}

ORV_EXPORT uint32_t RasDialA(void*, const char*, void*, uint32_t, void*, RasHandle* handle) {
  *handle = 0;
  return RAS_ERROR_CANNOT_FIND_PHONEBOOK_ENTRY;
}

// Fills as many records as fit, of the size the caller asked for, and counts them all.
ORV_EXPORT uint32_t RasEnumConnectionsA(void* buffer, uint32_t* bufferSize, uint32_t* count) {
  uint32_t size = 0;
  std::memcpy(&size, buffer, sizeof size);
  *count = static_cast<uint32_t>(g_connections.size());
  for (std::size_t i = 0; i < g_connections.size() && (i + 1) * size <= *bufferSize; ++i)
    std::memcpy(static_cast<char*>(buffer) + i * size, &g_connections[i], size);
  return g_result;
}
