// Loaded by the installed program in a test (QT_QPA_GENERIC_PLUGINS=orvprobe): once start-up
// has run, it turns to the help page (whose text is laid out when first shown) and writes to
// the file $ORV_PROBE_OUT, one line each, the version text, the help text's first line, the
// report's last line and Qt's own "Cancel".
#include <QApplication>
#include <QGenericPlugin>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSaveFile>
#include <QTabWidget>
#include <QTextEdit>
#include <QTimer>

namespace {

QString shown(const char* name) {
  for (QWidget* window : QApplication::topLevelWidgets())
    if (auto* widget = window->findChild<QWidget*>(QLatin1String(name))) {
      if (auto* line = qobject_cast<QLineEdit*>(widget)) return line->text();
      if (auto* text = qobject_cast<QTextEdit*>(widget)) return text->toPlainText();
      return qobject_cast<QPlainTextEdit*>(widget)->toPlainText();
    }
  return {};
}

void showHelpPage() {
  for (QWidget* window : QApplication::topLevelWidgets()) {
    auto* pages = window->findChild<QTabWidget*>(QStringLiteral("PageControl1"));
    auto* help = window->findChild<QWidget*>(QStringLiteral("Hilfe"));
    if (pages && help) pages->setCurrentWidget(help->parentWidget());
  }
}

class ProbePlugin : public QGenericPlugin {
  Q_OBJECT
  Q_PLUGIN_METADATA(IID QGenericPluginFactoryInterface_iid FILE "orv_probe_plugin.json")
 public:
  QObject* create(const QString&, const QString&) override {
    auto* timer = new QTimer;
    timer->callOnTimeout([timer] {
      if (shown("Version").isEmpty()) return;
      if (shown("Hilfe").isEmpty()) {
        showHelpPage();
        return;
      }
      timer->stop();
      const QStringList lines{shown("Version"), shown("Hilfe").section('\n', 0, 0),
                              shown("Logging").section('\n', -1),
                              QCoreApplication::translate("QPlatformTheme", "Cancel")};
      QSaveFile out(qEnvironmentVariable("ORV_PROBE_OUT"));
      if (out.open(QIODevice::WriteOnly) && out.write(lines.join('\n').toUtf8()) > 0) out.commit();
    });
    timer->start(100);
    return timer;  // Qt deletes it with the application
  }
};

}  // namespace

#include "orv_probe_plugin.moc"
