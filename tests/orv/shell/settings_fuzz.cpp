// libFuzzer target for the readers of the three settings and list files, which read files a
// stranger can hand us. Besides crashes and sanitizer reports it checks that what a reader
// makes of the input survives our own writer unchanged.
#include <QByteArray>
#include <QStringList>

#include <cstdint>
#include <cstdlib>

#include "shell/allowed_list_file.h"
#include "shell/settings_formats.h"

namespace {

void check(bool holds) {
  if (!holds) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));

  if (bytes.size() >= orv::kSettingsRecordSize)
    check(orv::settingsToRecord(orv::settingsFromRecord(bytes)) ==
          bytes.left(orv::kSettingsRecordSize));

  const QByteArray marks = orv::connectionsToFile(orv::connectionsFromFile(bytes));
  check(orv::connectionsToFile(orv::connectionsFromFile(marks)) == marks);

  QStringList lines = orv::allowedListFromFile(bytes);
  if (lines == QStringList{QString()}) lines.clear();  // one empty line is the empty list
  check(orv::allowedListFromFile(orv::allowedListToFile(lines)) == lines);
  return 0;
}
