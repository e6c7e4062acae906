#include "shell/document_printing.h"

#include <QAbstractTextDocumentLayout>
#include <QPainter>
#include <QPrinter>
#include <QTextDocument>
#include <memory>

namespace orv {

bool printDocument(const QTextDocument& document, QPrinter& printer) {
  QPainter painter;
  if (!painter.begin(&printer)) return false;

  // A copy laid out in the printer's own resolution, cut into pages of its printable area.
  const std::unique_ptr<QTextDocument> pages(document.clone());
  pages->documentLayout()->setPaintDevice(&printer);
  pages->setDocumentMargin(0);
  const QSizeF page(printer.width(), printer.height());
  pages->setPageSize(page);

  QAbstractTextDocumentLayout::PaintContext context;
  context.palette.setColor(QPalette::Text, Qt::black);
  const int count = pages->pageCount();
  for (int index = 0; index < count; ++index) {
    if (index > 0 && !printer.newPage()) return false;
    const QRectF area(QPointF(0, index * page.height()), page);
    painter.save();
    painter.translate(0, -area.top());
    painter.setClipRect(area);
    context.clip = area;
    pages->documentLayout()->draw(&painter, context);
    painter.restore();
  }
  return painter.end();
}

}  // namespace orv
