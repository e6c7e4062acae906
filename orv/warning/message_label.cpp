#include "warning/message_label.h"

#include <QHelpEvent>
#include <QImage>
#include <QPainter>
#include <QTextOption>
#include <QToolTip>

namespace orv {
namespace {

QTextOption wrapping() {
  QTextOption option(Qt::AlignLeft | Qt::AlignTop);
  option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  return option;
}

}  // namespace

MessageLabel::MessageLabel(QWidget* parent) : QLabel(parent) {
  setTextFormat(Qt::PlainText);
  setWordWrap(true);
  setAlignment(Qt::AlignLeft | Qt::AlignTop);
}

QRect MessageLabel::textBounds(const QString& text) const {
  // QFontMetrics cannot wrap inside words, so measure with the painter that draws it.
  QImage scratch(1, 1, QImage::Format_ARGB32_Premultiplied);
  QPainter p(&scratch);
  p.setFont(font());
  const QRectF area(contentsRect());
  return p.boundingRect(QRectF(area.topLeft(), QSizeF(area.width(), 1.0e6)), text, wrapping())
      .toAlignedRect();
}

bool MessageLabel::fits(const QString& text) const {
  return textBounds(text).height() <= contentsRect().height();
}

QString MessageLabel::shownText() const {
  const QString whole = text();
  if (fits(whole)) return whole;
  // The longest part between a pair of quotes: the path, which may be as long as a path can be.
  const QChar quote = QLatin1Char('"');
  qsizetype open = -1;
  qsizetype length = 0;
  for (qsizetype from = whole.indexOf(quote); from >= 0;) {
    const qsizetype to = whole.indexOf(quote, from + 1);
    if (to < 0) break;
    if (to - from - 1 > length) open = from, length = to - from - 1;
    from = whole.indexOf(quote, to + 1);
  }
  if (open < 0) return whole;
  const QString before = whole.left(open + 1);
  const QString inner = whole.mid(open + 1, length);
  const QString after = whole.mid(open + 1 + length);
  // `kept` characters of the part stay: its start and, a little more, its end (the file name).
  const auto shortened = [&](qsizetype kept) {
    qsizetype head = kept / 2;
    qsizetype tail = kept - head;
    if (head > 0 && inner[head - 1].isHighSurrogate()) --head;  // never half a character
    if (tail > 0 && inner[inner.size() - tail].isLowSurrogate()) --tail;
    return before + inner.left(head) + QChar(0x2026) + inner.right(tail) + after;
  };
  qsizetype fitting = 0;  // the most that fits; nothing of the part at all if need be
  for (qsizetype low = 1, high = length - 1; low <= high;) {
    const qsizetype middle = (low + high) / 2;
    if (fits(shortened(middle))) {
      fitting = middle;
      low = middle + 1;
    } else {
      high = middle - 1;
    }
  }
  return shortened(fitting);
}

bool MessageLabel::event(QEvent* event) {
  if (event->type() == QEvent::ToolTip && toolTip().isEmpty() && !textFits()) {
    QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(), text(), this);
    return true;
  }
  return QLabel::event(event);
}

void MessageLabel::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setFont(font());
  p.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, foregroundRole()));
  p.drawText(QRectF(contentsRect()), shownText(), wrapping());
}

}  // namespace orv
