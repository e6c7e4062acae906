#pragma once

#include <QTimer>
#include <QWidget>

class QLabel;

namespace orv {

// A one-line status text that a long task may change thousands of times a second.
//
// The text is taken at once (label()->text() is always the last one set), but painted at
// most once per repaint interval: no screen could show it more often, and each paint would
// cost more than the work it reports on. The last text is always painted, at the latest
// one interval after it was set. A new text never makes the window lay itself out again:
// the label sits in this band at a fixed size, so its text's width reaches no layout.
class StatusLine : public QWidget {
  Q_OBJECT
 public:
  static constexpr int kDefaultRepaintIntervalMs = 40;

  // Takes `label` as its child.
  explicit StatusLine(QLabel* label, int repaintIntervalMs = kDefaultRepaintIntervalMs,
                      QWidget* parent = nullptr);

  QLabel* label() const { return m_label; }
  void setText(const QString& text);

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void intervalEnded();

  QLabel* m_label;
  QTimer m_interval;    // runs for one interval after each paint was asked for
  bool m_held = false;  // a text set during the interval waits for its end to be painted
};

}  // namespace orv
