#pragma once

#include <QObject>

class QAbstractScrollArea;
class QScrollBar;

namespace orv {

// Keeps a growing text box scrolled to its end, so that new lines come into view as they are
// added (also while the box is hidden on another page), unless the user has scrolled away
// from the end to read; scrolling back to the end follows again.
class FollowEnd : public QObject {
 public:
  // Follows `box`, whose child it becomes.
  explicit FollowEnd(QAbstractScrollArea* box);

 private:
  QScrollBar* m_bar;
  int m_lastMaximum;  // the end before the range changed
};

}  // namespace orv
