// Reading and writing rich text must stay linear in the size of the text: a saved report
// grows with every line, and the help text is a file a stranger could replace.
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QTextCursor>
#include <QTextDocument>

#include "shell/rtf/rtf_reader.h"
#include "shell/rtf/rtf_writer.h"

namespace {

void fillReport(QTextDocument* doc, int lines) {
  const QColor colours[] = {{0, 0, 0}, {255, 0, 0}, {0, 128, 0}, {155, 155, 0}};
  const QString text =
      QString::fromUtf8("14:03:27 /home/jürgen/Downloads/€uro-Dialer.exe - Verdächtig: 日本");
  QTextCursor cursor(doc);
  for (int i = 0; i < lines; ++i) {
    if (i > 0) cursor.insertBlock();
    QTextCharFormat format;
    format.setForeground(colours[i % 4]);
    cursor.insertText(text, format);
  }
}

void BM_WriteReport(benchmark::State& state) {
  QTextDocument doc;
  fillReport(&doc, int(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(orv::RtfWriter::write(doc));
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_WriteReport)->RangeMultiplier(4)->Range(1000, 64000)->Complexity();

void BM_ReadReport(benchmark::State& state) {
  QTextDocument doc;
  fillReport(&doc, int(state.range(0)));
  const QByteArray rtf = orv::RtfWriter::write(doc);
  for (auto _ : state) {
    QTextDocument back;
    orv::RtfReader::read(rtf, &back);
  }
  state.SetBytesProcessed(state.iterations() * rtf.size());
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_ReadReport)->RangeMultiplier(4)->Range(1000, 64000)->Complexity();

// Many short runs in a single paragraph: the case a careless reader makes quadratic.
void BM_ReadFormatToggles(benchmark::State& state) {
  QByteArray rtf = "{\\rtf1 ";
  for (int i = 0; i < state.range(0); ++i) rtf += "\\b a\\b0 b";
  rtf += '}';
  for (auto _ : state) {
    QTextDocument doc;
    orv::RtfReader::read(rtf, &doc);
  }
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_ReadFormatToggles)->RangeMultiplier(4)->Range(1000, 256000)->Complexity();

void BM_ReadDeepNesting(benchmark::State& state) {
  const QByteArray rtf = "{\\rtf1 " + QByteArray(state.range(0), '{') + "x";
  for (auto _ : state) {
    QTextDocument doc;
    orv::RtfReader::read(rtf, &doc);
  }
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_ReadDeepNesting)->RangeMultiplier(10)->Range(10000, 10000000)->Complexity();

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);  // QTextDocument needs fonts
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
