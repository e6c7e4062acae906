// libFuzzer target for the RTF reader, the one parser here that reads files a stranger
// can hand us. Besides crashes, hangs and sanitizer reports it checks that whatever the
// reader makes of the input survives the writer: writing the document and reading it
// back gives the same text.
#include <QByteArray>
#include <QGuiApplication>
#include <QTextDocument>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "shell/rtf/rtf_reader.h"
#include "shell/rtf/rtf_writer.h"

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  static const auto app = std::make_unique<QGuiApplication>(*argc, *argv);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  QTextDocument doc;
  orv::loadRichText(&doc, bytes);

  QTextDocument back;
  if (!orv::RtfReader::read(orv::RtfWriter::write(doc), &back)) std::abort();
  if (back.toPlainText() != doc.toPlainText()) {
    std::fprintf(stderr, "round trip changed the text:\n%s\n---\n%s\n",
                 qPrintable(doc.toPlainText()), qPrintable(back.toPlainText()));
    std::abort();
  }
  return 0;
}
