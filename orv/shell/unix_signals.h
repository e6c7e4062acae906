#pragma once

#include <QObject>

class QSocketNotifier;

namespace orv {

// Turns SIGTERM, SIGINT and SIGHUP into a Qt signal on the user-interface thread, so that
// a logout or a kill runs the same orderly shutdown as the quit menu item.
class UnixSignals : public QObject {
  Q_OBJECT
 public:
  explicit UnixSignals(QObject* parent = nullptr);
  ~UnixSignals() override;

 signals:
  void terminationRequested();

 private:
  void onReadable();
  QSocketNotifier* m_notifier = nullptr;
};

}  // namespace orv
