#include "bare_scan.h"

#include "detect/directory_walker.h"
#include "sigmatch/sigmatch.h"

namespace scanbench {

BareScan bareScan(const std::string& root) {
  BareScan scan;
  orv::DirectoryWalker::walk(
      QByteArray::fromStdString(root),
      [&scan](const QByteArray& path) {
        ++scan.files;
        ShortText result;
        ScanDialers(&result, path.constData());
        if (orv::shortTextString(result) != "OK") scan.found.insert(path.toStdString());
      },
      [] { return false; });
  return scan;
}

}  // namespace scanbench
