#pragma once

#include <QLabel>

namespace orv {

// The message text of a warning. It wraps at word boundaries and, where a word is wider than
// the label (a long path has no blanks), inside the word. A text too long for the label is
// shortened in the middle of its longest quoted part (the path a warning is about) with "…",
// just enough for the whole message, the question at its end included, to show; its tooltip
// then shows it whole.
class MessageLabel : public QLabel {
  Q_OBJECT

 public:
  explicit MessageLabel(QWidget* parent = nullptr);

  // True when the whole text fits into the label as it is drawn.
  bool textFits() const { return fits(text()); }
  // Whether `text` would fit into the label.
  bool fits(const QString& text) const;
  // The text as the label draws it: text(), shortened where it does not fit.
  QString shownText() const;

 protected:
  bool event(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  QRect textBounds(const QString& text) const;
};

}  // namespace orv
