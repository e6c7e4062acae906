#include "shell/follow_end.h"

#include <QAbstractScrollArea>
#include <QScrollBar>

namespace orv {

FollowEnd::FollowEnd(QAbstractScrollArea* box)
    : QObject(box), m_bar(box->verticalScrollBar()), m_lastMaximum(m_bar->maximum()) {
  // The range grows with every line (and changes when the box is laid out or resized). It is
  // told before the value is bounded anew, so the value still says whether the user was at
  // the end. (The value's own signal is not sent for every scroll by the user.)
  connect(m_bar, &QScrollBar::rangeChanged, this, [this](int, int maximum) {
    if (m_bar->value() >= m_lastMaximum) m_bar->setValue(maximum);
    m_lastMaximum = maximum;
  });
}

}  // namespace orv
