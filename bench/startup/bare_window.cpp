// The floor of the start-up benchmark: a Qt program that shows one main window of ORV's size
// and nothing else, or, given a text, that text in one label: what a first word costs (the
// font configuration, a font, its glyphs) before anything else is on the screen.
#include <QApplication>
#include <QLabel>
#include <QMainWindow>

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QMainWindow window;
  window.setFixedSize(588, 399);
  if (argc > 1) window.setCentralWidget(new QLabel(QString::fromLocal8Bit(argv[1])));
  window.show();
  return QApplication::exec();
}
