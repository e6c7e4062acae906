#include "shell/repaint_throttle.h"

#include <QCoreApplication>
#include <QEvent>
#include <QWidget>

namespace orv {

RepaintThrottle::RepaintThrottle(QWidget* window, int intervalMs)
    : QObject(window), m_window(window), m_intervalMs(intervalMs) {
  m_release.setSingleShot(true);
  connect(&m_release, &QTimer::timeout, this, &RepaintThrottle::release);
  window->installEventFilter(this);
}

void RepaintThrottle::setActive(bool active) {
  if (m_active == active) return;
  m_active = active;
  m_sinceLastPaint.start();
  if (!active) release();
}

bool RepaintThrottle::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::UpdateRequest || watched != m_window) return false;
  // An invalid clock means a held repaint is being let through.
  if (!m_active || !m_sinceLastPaint.isValid() || m_sinceLastPaint.elapsed() >= m_intervalMs) {
    m_sinceLastPaint.start();
    m_held = false;
    return false;
  }
  // The window's dirty regions stay marked; one request at the end of the interval paints
  // them all.
  m_held = true;
  if (!m_release.isActive()) m_release.start(m_intervalMs - int(m_sinceLastPaint.elapsed()));
  return true;
}

void RepaintThrottle::release() {
  m_release.stop();
  if (!m_held) return;
  m_held = false;
  m_sinceLastPaint.invalidate();
  QCoreApplication::postEvent(m_window, new QEvent(QEvent::UpdateRequest));
}

}  // namespace orv
