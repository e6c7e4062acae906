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

QRect MessageLabel::textBounds() const {
  // QFontMetrics cannot wrap inside words, so measure with the painter that draws it.
  QImage scratch(1, 1, QImage::Format_ARGB32_Premultiplied);
  QPainter p(&scratch);
  p.setFont(font());
  const QRectF area(contentsRect());
  return p.boundingRect(QRectF(area.topLeft(), QSizeF(area.width(), 1.0e6)), text(), wrapping())
      .toAlignedRect();
}

bool MessageLabel::textFits() const {
  return textBounds().height() <= contentsRect().height();
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
  p.drawText(QRectF(contentsRect()), text(), wrapping());
}

}  // namespace orv
