#pragma once

#include <QByteArray>
#include <cstdint>

namespace orv {

class RasLibrary;

// The program's one road to the dial-up networking service (`Conns` on the main window).
// It works on one current phonebook entry at a time and keeps the result of the last
// operation; nothing it learns is shown to the user by itself.
class TRasConnector {
 public:
  static constexpr uint32_t kNotAvailable = 1157;

  TRasConnector();

  // True when the service can be used; loads it on the first call of the process.
  bool IsAvailable();

  uint32_t ResultCode = 0;
  QByteArray ResultText;  // single-byte text of the last failure

 private:
  RasLibrary& library() const;
};

}  // namespace orv
