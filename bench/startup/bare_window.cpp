// The floor of the start-up benchmark: a Qt program that shows one main window of ORV's size
// and nothing else.
#include <QApplication>
#include <QMainWindow>

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QMainWindow window;
  window.setFixedSize(588, 399);
  window.show();
  return QApplication::exec();
}
