#include "shell/status_line.h"

#include <QEvent>
#include <QLabel>

namespace orv {

StatusLine::StatusLine(QLabel* label, int repaintIntervalMs, QWidget* parent)
    : QWidget(parent), m_label(label) {
  m_label->setParent(this);
  m_label->move(0, 0);
  // As wide as the window lets it be; a long text is cut, it never widens the window.
  setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
  m_interval.setSingleShot(true);
  m_interval.setInterval(repaintIntervalMs);
  m_clock.start();
  m_shown = m_current = m_label->text();
  connect(&m_interval, &QTimer::timeout, this, &StatusLine::intervalEnded);
}

void StatusLine::setText(const QString& text) {
  noteStanding();
  m_current = text;
  // Shown when the interval ends, unless the window has put a text of its own on the label.
  if (m_interval.isActive() && m_label->text() == m_shown) return;
  show(text);
}

void StatusLine::noteStanding() {
  const qint64 now = m_clock.nsecsElapsed();
  if (m_longestFor < 0 || now - m_currentSince > m_longestFor) {
    m_longest = m_current;
    m_longestFor = now - m_currentSince;
  }
  m_currentSince = now;
}

void StatusLine::show(const QString& text) {
  m_shown = text;
  m_label->setText(text);
  m_longestFor = -1;
  m_currentSince = m_clock.nsecsElapsed();
  m_interval.start();
}

void StatusLine::intervalEnded() {
  // A text the window put on the label itself (at the end of a scan) stands.
  if (m_label->text() != m_shown) return;
  // Nothing new: the next text is shown at once.
  if (m_longestFor < 0 && m_current == m_shown) return;
  noteStanding();
  show(m_longest);
}

QSize StatusLine::sizeHint() const {
  return {m_label->sizeHint().width(), minimumSizeHint().height()};
}

QSize StatusLine::minimumSizeHint() const {
  // One line of text, whatever the text.
  const QMargins margins = m_label->contentsMargins();
  return {0, m_label->fontMetrics().height() + margins.top() + margins.bottom() +
                 2 * (m_label->margin() + m_label->frameWidth())};
}

void StatusLine::resizeEvent(QResizeEvent* event) {
  // A fixed-size label keeps its text's width to itself (Qt relays geometry changes of a
  // widget upwards unless its size is fixed).
  m_label->setFixedSize(size());
  QWidget::resizeEvent(event);
}

void StatusLine::changeEvent(QEvent* event) {
  if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) updateGeometry();
  QWidget::changeEvent(event);
}

}  // namespace orv
