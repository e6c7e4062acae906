// The window paints at most once per interval while a long task runs, and nothing is lost.
#include <QTest>
#include <QWidget>

#include "shell/repaint_throttle.h"

namespace {

class CountingWidget : public QWidget {
 public:
  int paints = 0;

 protected:
  void paintEvent(QPaintEvent*) override { ++paints; }
};

}  // namespace

class RepaintThrottleTest : public QObject {
  Q_OBJECT

 private slots:
  void withoutThrottleEveryUpdateIsPainted() {
    CountingWidget window;
    orv::RepaintThrottle throttle(&window, 10000);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QTRY_VERIFY(window.paints > 0);
    const int before = window.paints;
    for (int i = 0; i < 5; ++i) {
      window.update();
      QCoreApplication::processEvents();
    }
    QCOMPARE(window.paints, before + 5);
  }

  void throttledUpdatesAreHeldAndPaintedWhenSwitchedOff() {
    CountingWidget window;
    orv::RepaintThrottle throttle(&window, 10000);  // longer than the test: only release paints
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QTRY_VERIFY(window.paints > 0);
    const int before = window.paints;
    throttle.setActive(true);
    for (int i = 0; i < 50; ++i) {
      window.update();
      QCoreApplication::processEvents();
    }
    QCOMPARE(window.paints, before);
    throttle.setActive(false);  // the held repaint follows at once
    QTRY_COMPARE(window.paints, before + 1);
  }

  void aHeldRepaintComesAtTheEndOfTheInterval() {
    CountingWidget window;
    orv::RepaintThrottle throttle(&window, 3000);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QTRY_VERIFY(window.paints > 0);
    throttle.setActive(true);
    const int before = window.paints;
    window.update();
    QCoreApplication::processEvents();
    QCOMPARE(window.paints, before);  // within the interval that began when it was switched on
    QTRY_COMPARE_WITH_TIMEOUT(window.paints, before + 1, 15000);
  }
};

QTEST_MAIN(RepaintThrottleTest)
#include "repaint_throttle_test.moc"
