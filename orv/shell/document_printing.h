#pragma once

class QPrinter;
class QTextDocument;

namespace orv {

// Prints `document`, with its colours, page after page over the whole printable area of
// `printer`'s page, adding nothing: no margins of its own, no header, footer or page number
// (QTextDocument::print adds margins and page numbers by itself). False when the printer
// could not be started (a PDF file that cannot be created), a page could not be begun or
// the job could not be finished.
bool printDocument(const QTextDocument& document, QPrinter& printer);

}  // namespace orv
