#pragma once

#include <QString>
#include <stdexcept>

namespace orv {

// A failure of a file or settings operation, carrying the German text the user is shown
// in an error box (for example "Datei nicht gefunden").
class OrvError : public std::runtime_error {
 public:
  explicit OrvError(const QString& text) : std::runtime_error(text.toStdString()), m_text(text) {}
  const QString& text() const { return m_text; }

 private:
  QString m_text;
};

}  // namespace orv
