// Loaded by the installed program in a test (QT_QPA_GENERIC_PLUGINS=orvprobe): once start-up
// has run, it writes what the window shows to the file $ORV_PROBE_OUT, one line each: the
// version text, the help text's first line, the report's last line, Qt's own "Cancel".
#include <QApplication>
#include <QGenericPlugin>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSaveFile>
#include <QTextEdit>
#include <QTimer>

namespace {

class Probe : public QObject {
 public:
  Probe() {
    m_timer.callOnTimeout(this, &Probe::look);
    m_timer.start(100);
  }

 private:
  void look() {
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget* window : windows) {
      const auto* version = window->findChild<QLineEdit*>(QStringLiteral("Version"));
      if (!version || version->text().isEmpty()) continue;
      m_timer.stop();
      const QString help = window->findChild<QTextEdit*>(QStringLiteral("Hilfe"))->toPlainText();
      const QString report =
          window->findChild<QPlainTextEdit*>(QStringLiteral("Logging"))->toPlainText();
      const QStringList lines{version->text(), help.section(QLatin1Char('\n'), 0, 0),
                              report.section(QLatin1Char('\n'), -1),
                              QCoreApplication::translate("QPlatformTheme", "Cancel")};
      QSaveFile out(qEnvironmentVariable("ORV_PROBE_OUT"));
      if (out.open(QIODevice::WriteOnly) && out.write(lines.join(QLatin1Char('\n')).toUtf8()) > 0)
        out.commit();
    }
  }

  QTimer m_timer;
};

class ProbePlugin : public QGenericPlugin {
  Q_OBJECT
  Q_PLUGIN_METADATA(IID QGenericPluginFactoryInterface_iid FILE "orv_probe_plugin.json")
 public:
  QObject* create(const QString&, const QString&) override { return new Probe; }
};

}  // namespace

#include "orv_probe_plugin.moc"
