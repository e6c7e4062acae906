// A Qt plugin the installed program is made to load (QT_QPA_GENERIC_PLUGINS=orvprobe), so
// that a test can read what the window shows once start-up has run: it writes the version
// text, the help text's start, the report, the boxes that are open and Qt's German "Cancel"
// to the file named by ORV_PROBE_OUT.
#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QGenericPlugin>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSaveFile>
#include <QTextEdit>
#include <QTimer>

namespace {

class Probe : public QObject {
 public:
  Probe() {
    m_timer.setInterval(100);
    connect(&m_timer, &QTimer::timeout, this, &Probe::look);
    m_timer.start();
  }

 private:
  void look() {
    QWidget* form = nullptr;
    QStringList boxes;
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget* window : windows) {
      if (window->objectName() == QLatin1String("Form1")) form = window;
      if (qobject_cast<QDialog*>(window) && window->isVisible()) {
        const QList<QLabel*> labels = window->findChildren<QLabel*>();
        for (const QLabel* label : labels)
          if (!label->text().isEmpty()) boxes << label->text();
      }
    }
    const auto* version = form ? form->findChild<QLineEdit*>(QStringLiteral("Version")) : nullptr;
    if (!version || (version->text().isEmpty() && boxes.isEmpty())) return;
    m_timer.stop();
    QSaveFile out(qEnvironmentVariable("ORV_PROBE_OUT"));
    if (!out.open(QIODevice::WriteOnly)) return;
    const QString help = form->findChild<QTextEdit*>(QStringLiteral("Hilfe"))->toPlainText();
    const QString report =
        form->findChild<QPlainTextEdit*>(QStringLiteral("Logging"))->toPlainText();
    QString text = QStringLiteral("version=") + version->text() + QLatin1Char('\n');
    text += QStringLiteral("help=") + help.left(200).simplified() + QLatin1Char('\n');
    text += QStringLiteral("cancel=") + QCoreApplication::translate("QPlatformTheme", "Cancel") +
            QLatin1Char('\n');
    text += QStringLiteral("boxes=") + boxes.join(QLatin1Char('|')) + QLatin1Char('\n');
    text += QStringLiteral("report=") + report.split(QLatin1Char('\n')).join(QLatin1Char('|')) +
            QLatin1Char('\n');
    out.write(text.toUtf8());
    out.commit();
  }

  QTimer m_timer;
};

class ProbePlugin : public QGenericPlugin {
  Q_OBJECT
  Q_PLUGIN_METADATA(IID QGenericPluginFactoryInterface_iid FILE "orv_probe_plugin.json")
 public:
  QObject* create(const QString& key, const QString&) override {
    return key == QLatin1String("orvprobe") ? new Probe : nullptr;
  }
};

}  // namespace

#include "orv_probe_plugin.moc"
