#include "window_scan.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileSystemModel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTreeView>
#include <stdexcept>

#include "shell/tform1.h"
#include "support/scripted_dialogs.h"

namespace scanbench {
namespace {

bool noTray() {
  return false;
}

}  // namespace

WindowScan::WindowScan(const std::string& baseDir) {
  orv::TForm1::setTrayAvailability(&noTray);
  // No box may wait for a click that never comes; what would have been shown is kept.
  m_dialogs = &ScriptedDialogs::installNew();
  m_form = std::make_unique<orv::TForm1>(QStringList{QString::fromStdString(baseDir)});
  m_form->ReportOnly->setChecked(true);
  m_form->Initialising = true;  // switching heuristics off asks nothing anyway; be sure
  m_form->UseHeur->setChecked(false);
  m_form->Initialising = false;
}

void WindowScan::show() {
  m_form->PageControl1->setCurrentWidget(m_form->Button4->parentWidget());
  m_form->show();
  QCoreApplication::processEvents();
}

WindowScan::~WindowScan() = default;

int WindowScan::signatureCount() const {
  return m_form->SignatureCount;
}

WindowScan::Result WindowScan::scan(const std::string& folder) {
  const QString path = QString::fromStdString(folder);
  m_form->verz->setCurrentIndex(m_form->folderModel()->index(path));
  if (m_form->verzModel->filePath(m_form->verz->currentIndex()) != path)
    throw std::runtime_error("the folder tree cannot select " + folder);
  QCoreApplication::processEvents();

  Result result;
  QElapsedTimer timer;
  timer.start();
  m_form->Button4Click(m_form->Button4);
  result.ms = static_cast<double>(timer.nsecsElapsed()) / 1e6;
  result.filesScanned = m_form->diskScan().FilesScanned;
  result.dialersFound = m_form->diskScan().DialersFound;
  result.memo = m_form->Memo1->toPlainText().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
  return result;
}

QStringList WindowScan::boxes() const {
  return m_dialogs->messages + m_dialogs->errors;
}

}  // namespace scanbench
