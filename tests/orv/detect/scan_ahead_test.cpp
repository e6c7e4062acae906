// The walk that runs ahead of the disk scan on a thread of its own, over real trees, and
// the scan without it.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <QByteArray>
#include <QFile>
#include <string>
#include <utility>
#include <vector>

#include "detect/directory_walker.h"
#include "detect/disk_scan.h"
#include "detect/scan_ahead.h"
#include "sigmatch/sigmatch.h"
#include "support/as_ordinary_user.h"
#include "support/temp_dir.h"

using orv::ScanAhead;

namespace {

using Clock = ScanAhead::Clock;
using Found = std::vector<std::pair<QByteArray, std::string>>;

std::string sample() {
  QFile file(QString::fromLocal8Bit(qgetenv("ORV_SOURCE_DIR")) +
             QStringLiteral("/data/samples/orv-testdialer.exe"));
  return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : std::string();
}

class ScanAheadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const QByteArray signatures = qgetenv("ORV_SOURCE_DIR") + "/data/orv.sig";
    ASSERT_EQ(InitDialersDatabase(signatures.constData()), 1);
    ASSERT_FALSE(sample().empty());
  }

  QByteArray root() const { return QByteArray::fromStdString(m_dir.path().string()); }

  // A tree of `count` files in nested folders; every fifth one is the test dialer.
  void buildTree(int count) {
    const std::string dialer = sample();
    for (int i = 0; i < count; ++i) {
      const std::string folder = "d" + std::to_string(i % 7) + "/e" + std::to_string(i % 3);
      std::filesystem::create_directories(m_dir.path() / folder);
      m_dir.write(folder + "/f" + std::to_string(i) + ".exe",
                  i % 5 == 0 ? dialer : "MZ harmless " + std::to_string(i));
    }
  }

  // What the walk and the look-up give one after the other, without a thread.
  Found inTurn() const {
    Found found;
    orv::DirectoryWalker::walk(
        root(),
        [&](const QByteArray& path) {
          ShortText result;
          ScanDialers(&result, path.constData());
          found.emplace_back(path, orv::shortTextString(result));
        },
        [] { return false; });
    return found;
  }

  orvtest::TempDir m_dir{"orv-ahead"};
};

Found drain(ScanAhead& ahead, Clock::time_point started) {
  Found found;
  ScanAhead::File file;
  for (;;) {
    const ScanAhead::Next next = ahead.next(file, std::chrono::milliseconds(50));
    if (next == ScanAhead::Next::End) break;
    if (next == ScanAhead::Next::Waiting) continue;
    // The time of a look-up lies between the start of the walk and the hand-over.
    EXPECT_GE(file.lookedUpAt, started);
    EXPECT_LE(file.lookedUpAt, Clock::now());
    found.emplace_back(file.path, orv::shortTextString(file.signature));
  }
  return found;
}

TEST_F(ScanAheadTest, HandsOverWhatTheWalkAndTheLookUpGiveInTheWalksOrder) {
  buildTree(300);
  const Found expected = inTurn();
  ASSERT_EQ(expected.size(), 300u);
  // Room for fewer files than the tree holds: the walk waits for the scan again and again.
  for (const std::size_t capacity :
       {std::size_t(1), std::size_t(40), ScanAhead::kDefaultCapacity}) {
    const Clock::time_point started = Clock::now();
    ScanAhead ahead(root(), capacity);
    EXPECT_EQ(drain(ahead, started), expected) << "capacity " << capacity;
    ScanAhead::File file;
    EXPECT_EQ(ahead.next(file, std::chrono::milliseconds(0)), ScanAhead::Next::End);
  }
}

TEST_F(ScanAheadTest, FoldersWithoutFilesToExamineEndAtOnce) {
  std::filesystem::create_directories(m_dir.path() / "empty/deeper");
  m_dir.write("empty/readme.txt", "no program here");
  for (const QByteArray& folder : {root(), root() + "/missing"}) {
    ScanAhead ahead(folder);
    EXPECT_TRUE(drain(ahead, Clock::now()).empty()) << folder.constData();
  }
}

TEST_F(ScanAheadTest, GoingAwayMidWalkStopsTheWalk) {
  buildTree(400);
  // The walk is held up for room when the scan stops taking files; it must not hold up
  // the end. (A hang here is the failure.)
  for (int taken : {0, 1, 100}) {
    ScanAhead ahead(root(), 1);
    ScanAhead::File file;
    for (int i = 0; i < taken;)
      if (ahead.next(file, std::chrono::milliseconds(50)) == ScanAhead::Next::File) ++i;
  }
}

// The window's part in a scan that only reports.
class ReportingHost final : public orv::ScanHost {
 public:
  void AddReportLine(const QString& text, int32_t, bool) override { lines << text; }
  int ShowWarning(const QString&, const QString&, const QString&, bool, bool, bool, bool, bool, int,
                  int) override {
    return orv::NoAnswer;
  }
  bool IsAllowed(const QString&) override { return false; }
  void AllowFile(const QString&) override {}
  bool lockFlag() const override { return false; }
  void setScanStatus(const QString&) override {}
  void processPendingEvents() override {}
  bool cancelRequested() const override { return false; }
  bool reportOnly() const override { return true; }
  bool useHeuristics() const override { return false; }

  QStringList lines;
};

// With no thread to spare (the user is at the limit of processes), the scan walks and looks
// files up in turn, with the same result.
TEST_F(ScanAheadTest, TheScanGoesOnWithoutASpareThread) {
  buildTree(10);
  const OrdinaryUserRun outcome = runAsOrdinaryUser(m_dir.path().string(), [&] {
    const rlimit none{1, 1};  // this process and nothing more
    if (::setrlimit(RLIMIT_NPROC, &none) != 0) return false;
    ReportingHost host;
    orv::DiskScan scan(host);
    scan.ScanDirectory(QString::fromUtf8(root()));
    return scan.FilesScanned == 10 && scan.DialersFound == 2 && host.lines.size() == 2 &&
           host.lines[0].endsWith(QStringLiteral(" - Infektion: ORV-Testdialer (harmlos)"));
  });
  if (outcome == OrdinaryUserRun::CannotDropRoot) GTEST_SKIP() << "no ordinary user to be";
  EXPECT_EQ(outcome, OrdinaryUserRun::Held);
}

}  // namespace
