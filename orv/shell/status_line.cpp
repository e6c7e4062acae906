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
  connect(&m_interval, &QTimer::timeout, this, &StatusLine::intervalEnded);
}

void StatusLine::setText(const QString& text) {
  if (m_interval.isActive() && !m_held) {
    // Set now, painted when the interval ends (parents that repaint meanwhile still show it).
    m_label->setUpdatesEnabled(false);
    m_held = true;
  }
  m_label->setText(text);
  if (!m_interval.isActive()) m_interval.start();
}

void StatusLine::intervalEnded() {
  if (!m_held) return;
  m_held = false;
  m_label->setUpdatesEnabled(true);  // paints the label with its latest text
  m_interval.start();
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
