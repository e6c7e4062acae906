// The scan's status line: every text is taken at once, painted at most once per interval,
// the one that stood longest in it, the last one always, and no text ever lays out or widens
// the window around it.
#include <QLabel>
#include <QTest>
#include <QThread>
#include <QVBoxLayout>

#include "shell/status_line.h"

using orv::StatusLine;

namespace {

// Records what a widget shows each time it paints, and the events that relayout a window.
class Recorder : public QObject {
 public:
  QStringList paintedTexts;
  int paints = 0;
  int layoutRequests = 0;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint) {
      ++paints;
      if (auto* label = qobject_cast<QLabel*>(watched)) paintedTexts << label->text();
    }
    if (event->type() == QEvent::LayoutRequest) ++layoutRequests;
    return false;
  }
};

// A window with the status line under another control, as on the scan page.
struct Page {
  explicit Page(int intervalMs)
      : line(new StatusLine(new QLabel(QStringLiteral("Status ...")), intervalMs)) {
    auto* layout = new QVBoxLayout(&window);
    layout->addWidget(sibling);
    layout->addWidget(line);
    window.resize(320, 120);
    window.show();
  }
  QLabel* label() const { return line->label(); }

  QWidget window;
  QLabel* sibling = new QLabel(QStringLiteral("Funde erscheinen hier und im Report."));
  StatusLine* line;
};

}  // namespace

class StatusLineTest : public QObject {
  Q_OBJECT

 private slots:
  void everyTextIsTakenAtOnceAndTheLastIsPainted() {
    Page page(10);
    QVERIFY(QTest::qWaitForWindowExposed(&page.window));
    Recorder recorder;
    page.label()->installEventFilter(&recorder);
    for (int i = 0; i < 300; ++i) {
      const QString text = QStringLiteral("Scanne /daten/prog%1.exe ...").arg(i);
      page.line->setText(text);
      QCOMPARE(page.line->text(), text);
      QCoreApplication::processEvents();
    }
    QTRY_COMPARE(recorder.paintedTexts.value(recorder.paintedTexts.size() - 1),
                 QStringLiteral("Scanne /daten/prog299.exe ..."));
    // The window sets the label directly at the end of a scan; that text is painted too.
    page.line->setText(QStringLiteral("Suche nächste Datei ..."));
    page.label()->setText(QStringLiteral("1 Dialersignaturen geladen ..."));
    QTRY_COMPARE(recorder.paintedTexts.value(recorder.paintedTexts.size() - 1),
                 QStringLiteral("1 Dialersignaturen geladen ..."));
    QTRY_VERIFY(page.label()->updatesEnabled());
  }

  void paintsAtMostOncePerInterval() {
    Page page(3600 * 1000);  // no interval ends during this test
    QVERIFY(QTest::qWaitForWindowExposed(&page.window));
    QCoreApplication::processEvents();
    Recorder recorder;
    page.label()->installEventFilter(&recorder);
    page.line->setText(QStringLiteral("Scanne /a.exe ..."));
    QTRY_COMPARE(recorder.paintedTexts, QStringList{QStringLiteral("Scanne /a.exe ...")});
    for (int i = 0; i < 100; ++i) {
      page.line->setText(QStringLiteral("Scanne /b%1.exe ...").arg(i));
      QCoreApplication::processEvents();
    }
    QCOMPARE(recorder.paintedTexts, QStringList{QStringLiteral("Scanne /a.exe ...")});
    QCOMPARE(page.line->text(), QStringLiteral("Scanne /b99.exe ..."));
  }

  // Between two files the scan says "Suche nächste Datei ..." for a moment: the line shows
  // the file that was examined meanwhile, then the text that stays.
  void theTextThatStoodLongestIsShown() {
    Page page(20);
    QVERIFY(QTest::qWaitForWindowExposed(&page.window));
    const QString between = QStringLiteral("Suche nächste Datei ...");
    page.line->setText(QStringLiteral("Scanne /a.exe ..."));  // shown at once
    page.line->setText(between);
    page.line->setText(QStringLiteral("Scanne /b.exe ..."));
    QThread::msleep(200);  // examining b.exe; the interval ends meanwhile
    page.line->setText(between);
    QCoreApplication::processEvents();
    QCOMPARE(page.label()->text(), QStringLiteral("Scanne /b.exe ..."));
    QTRY_COMPARE(page.label()->text(), between);
  }

  void aNewTextNeitherWidensNorLaysOutTheWindow() {
    Page page(0);
    QVERIFY(QTest::qWaitForWindowExposed(&page.window));
    QTRY_COMPARE(page.window.width(), 320);
    QCoreApplication::processEvents();
    Recorder windowEvents;
    Recorder siblingPaints;
    page.window.installEventFilter(&windowEvents);
    page.sibling->installEventFilter(&siblingPaints);
    for (int length : {10, 2000, 40, 500}) {
      page.line->setText(QStringLiteral("Scanne /") + QString(length, QLatin1Char('x')) +
                         QStringLiteral(".exe ..."));
      QCoreApplication::processEvents();
    }
    QCOMPARE(page.window.width(), 320);
    QCOMPARE(windowEvents.layoutRequests, 0);
    QCOMPARE(siblingPaints.paints, 0);
    QCOMPARE(page.line->height(), page.label()->height());
  }
};

QTEST_MAIN(StatusLineTest)
#include "status_line_test.moc"
