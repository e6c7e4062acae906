#pragma once

#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>

class QLabel;

namespace orv {

// A one-line status text that a long task may change thousands of times a second.
//
// The label shows a new text at once when it has shown the last one for a whole repaint
// interval; otherwise it is shown when the interval ends, and then the text that stood
// longest during the interval wins: during a fast scan that is the file being examined, not
// the moment between two files, so the line neither stays empty nor flickers between the two.
// The last text is always shown, at the latest two intervals after it was set. A text set on
// the label directly stands. A new text never makes the window lay itself out again: the
// label sits in this band at a fixed size, so its text's width reaches no layout.
class StatusLine : public QWidget {
  Q_OBJECT
 public:
  static constexpr int kDefaultRepaintIntervalMs = 40;

  // Takes `label` as its child.
  explicit StatusLine(QLabel* label, int repaintIntervalMs = kDefaultRepaintIntervalMs,
                      QWidget* parent = nullptr);

  QLabel* label() const { return m_label; }
  void setText(const QString& text);
  // The last text given to setText, which the label shows now or soon.
  const QString& text() const { return m_current; }

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void intervalEnded();
  void show(const QString& text);
  // Counts the time the current text has stood so far this interval.
  void noteStanding();

  QLabel* m_label;
  QTimer m_interval;  // runs for one interval after each text was shown
  QElapsedTimer m_clock;
  QString m_shown;            // what this line put on the label last
  QString m_current;          // the last text set
  qint64 m_currentSince = 0;  // when it was set (or the interval began), m_clock's ns
  QString m_longest;          // the text that stood longest this interval
  qint64 m_longestFor = -1;   // how long, in ns; -1: no text was set this interval
};

}  // namespace orv
