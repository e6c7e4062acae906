#pragma once

#include <QString>

namespace orv {

// The maker's web server. The paths are fixed; the host is ours to choose.
inline const QString& webHost() {
  static const QString host = QStringLiteral("https://orv.example.org");
  return host;
}
inline QString helpPageAddress() {
  return webHost() + QStringLiteral("/helpgefunden.php");
}
inline QString updatesPageAddress() {
  return webHost() + QStringLiteral("/orv/updates.html");
}

}  // namespace orv
