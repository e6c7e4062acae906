#pragma once

#include <QLabel>

namespace orv {

// The message text of a warning. It wraps at word boundaries and, where a word is wider than
// the label (a long path has no blanks), inside the word, so that the file a warning is about
// stays readable. When the text does not fit, its tooltip shows it whole.
class MessageLabel : public QLabel {
  Q_OBJECT

 public:
  explicit MessageLabel(QWidget* parent = nullptr);

  // True when the whole text fits into the label as it is drawn.
  bool textFits() const;

 protected:
  bool event(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  QRect textBounds() const;
};

}  // namespace orv
