#include "dialup/ras_connector.h"

#include "dialup/ras_library.h"

namespace orv {

TRasConnector::TRasConnector() = default;

RasLibrary& TRasConnector::library() const {
  return RasLibrary::shared();
}

bool TRasConnector::IsAvailable() {
  if (library().ensureLoaded()) return true;
  ResultCode = kNotAvailable;
  ResultText = QByteArrayLiteral("RASAPI32.DLL Not Available");
  return false;
}

}  // namespace orv
