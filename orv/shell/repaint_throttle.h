#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

class QWidget;

namespace orv {

// Paints a window at most once per interval while it is switched on. A long task that keeps
// the window alive by handling its messages after every small step would otherwise repaint
// after every step, and spend more time painting than working. Changes are never lost: a
// repaint held back is made when the interval ends, and at once when the throttle goes off.
class RepaintThrottle : public QObject {
 public:
  static constexpr int kDefaultIntervalMs = 40;

  explicit RepaintThrottle(QWidget* window, int intervalMs = kDefaultIntervalMs);

  void setActive(bool active);
  bool isActive() const { return m_active; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void release();

  QWidget* m_window;
  int m_intervalMs;
  bool m_active = false;
  bool m_held = false;
  QElapsedTimer m_sinceLastPaint;
  QTimer m_release;
};

}  // namespace orv
