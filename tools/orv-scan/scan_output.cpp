#include "scan_output.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <cstring>
#include <string>

#include "terminal_text.h"

namespace orvscan {
namespace {

// A folder as the walk names it ends in "/"; it is shown as the user would write it.
std::string_view shownPath(const ScanItem& item) {
  std::string_view path(item.path.constData(), static_cast<std::size_t>(item.path.size()));
  if (item.kind == ScanItem::Kind::UnlistedFolder && path.size() > 1 && path.back() == '/')
    path.remove_suffix(1);
  return path;
}

std::string problemText(const ScanItem& item) {
  if (item.kind == ScanItem::Kind::BadPath && item.error == 0)
    return "neither a file nor a folder, not examined";
  return std::strerror(item.error);
}

void writeLine(std::FILE* to, const std::string& line) {
  std::fwrite(line.data(), 1, line.size(), to);
  std::fputc('\n', to);
}

void writeJson(std::FILE* to, const QJsonObject& object) {
  const QByteArray line = QJsonDocument(object).toJson(QJsonDocument::Compact);
  std::fwrite(line.constData(), 1, static_cast<std::size_t>(line.size()), to);
  std::fputc('\n', to);
}

QJsonObject objectFor(const char* type, const ScanItem& item) {
  QJsonObject object{{QStringLiteral("type"), QString::fromLatin1(type)}};
  bool exact = true;
  object.insert(QStringLiteral("path"), QString::fromStdString(jsonText(shownPath(item), exact)));
  if (!exact)
    object.insert(QStringLiteral("path_hex"), QString::fromStdString(hexBytes(shownPath(item))));
  return object;
}

}  // namespace

void ScanOutput::report(const ScanItem& item) {
  if (item.kind == ScanItem::Kind::BadPath) return pathError(item);
  if (item.kind == ScanItem::Kind::UnlistedFolder || item.outcome == ScanItem::Outcome::Unreadable)
    return unreadable(item);
  if (item.outcome != ScanItem::Outcome::Examined) return;
  if (isFinding(item.signature)) finding(item, Check::Signature, item.signature);
  if (item.heuristicChecked && isFinding(item.heuristic))
    finding(item, Check::Heuristic, item.heuristic);
}

void ScanOutput::pathError(const ScanItem& item) {
  writeLine(m_err, "orv-scan: " + terminalText(shownPath(item)) + ": " + problemText(item));
}

void TextOutput::finding(const ScanItem& item, Check check, const ShortText& answer) {
  writeLine(m_out, terminalText(shownPath(item)) +
                       (check == Check::Heuristic ? ": heuristic: " : ": ") +
                       terminalText(resultUtf8(answer)));
}

void TextOutput::unreadable(const ScanItem& item) {
  const char* what =
      item.kind == ScanItem::Kind::UnlistedFolder ? ": cannot list folder: " : ": cannot read: ";
  writeLine(m_err, "orv-scan: " + terminalText(shownPath(item)) + what + problemText(item));
}

void TextOutput::summary(const ScanTotals& totals, double seconds) {
  std::fprintf(m_err,
               "Scan summary\n"
               "  folders:    %llu\n"
               "  files:      %llu\n"
               "  examined:   %llu\n"
               "  findings:   %llu\n"
               "  unreadable: %llu\n"
               "  time:       %.3f s\n",
               static_cast<unsigned long long>(totals.folders),
               static_cast<unsigned long long>(totals.files),
               static_cast<unsigned long long>(totals.examined),
               static_cast<unsigned long long>(totals.findings),
               static_cast<unsigned long long>(totals.unreadable), seconds);
}

void JsonOutput::finding(const ScanItem& item, Check check, const ShortText& answer) {
  QJsonObject object = objectFor("finding", item);
  object.insert(QStringLiteral("check"), check == Check::Heuristic ? QStringLiteral("heuristic")
                                                                   : QStringLiteral("signature"));
  object.insert(QStringLiteral("finding"), QString::fromStdString(resultUtf8(answer)));
  writeJson(m_out, object);
}

void JsonOutput::unreadable(const ScanItem& item) {
  QJsonObject object = objectFor("unreadable", item);
  object.insert(QStringLiteral("folder"), item.kind == ScanItem::Kind::UnlistedFolder);
  object.insert(QStringLiteral("error"), QString::fromStdString(problemText(item)));
  writeJson(m_out, object);
}

void JsonOutput::summary(const ScanTotals& totals, double seconds) {
  const auto number = [](std::uint64_t n) { return QJsonValue(static_cast<qint64>(n)); };
  writeJson(m_out, QJsonObject{{QStringLiteral("type"), QStringLiteral("summary")},
                               {QStringLiteral("folders"), number(totals.folders)},
                               {QStringLiteral("files"), number(totals.files)},
                               {QStringLiteral("examined"), number(totals.examined)},
                               {QStringLiteral("findings"), number(totals.findings)},
                               {QStringLiteral("unreadable"), number(totals.unreadable)},
                               {QStringLiteral("seconds"), seconds}});
}

}  // namespace orvscan
