#include "warning/link_label.h"

#include <QMouseEvent>

namespace orv {

LinkLabel::LinkLabel(QWidget* parent) : QLabel(parent) {}

void LinkLabel::mousePressEvent(QMouseEvent* event) {
  m_pressed = event->button() == Qt::LeftButton;
  event->accept();
}

void LinkLabel::mouseReleaseEvent(QMouseEvent* event) {
  // Like a button: a press dragged off the link and released elsewhere opens nothing.
  const bool click = m_pressed && event->button() == Qt::LeftButton &&
                     rect().contains(event->position().toPoint());
  m_pressed = false;
  event->accept();
  if (click) emit clicked();
}

}  // namespace orv
