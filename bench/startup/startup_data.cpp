#include "startup_data.h"

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "sigmatch/signature_record.h"

namespace startupbench {
namespace fs = std::filesystem;
namespace {

const char* const kSettingsFiles[] = {"orv.conf", "erlaubt.conf", "connections.conf"};

void copyFile(const std::string& from, const std::string& to) {
  std::error_code error;
  fs::copy_file(from, to, fs::copy_options::overwrite_existing, error);
  if (error) throw std::runtime_error("cannot copy " + from + ": " + error.message());
}

std::uint64_t splitmix(std::uint64_t& state) {
  std::uint64_t z = (state += 0x9E3779B97F4A7C15ull);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

}  // namespace

void prepareBaseDir(const std::string& folder, const std::string& dataDir, int addedSignatures) {
  fs::create_directories(folder);
  for (const char* name : {"orv.sig", "hilfe.rtf"}) copyFile(dataDir + "/" + name, folder + name);
  restoreSettings(folder, dataDir);

  std::ofstream out(folder + "orv.sig", std::ios::binary | std::ios::app);
  std::uint64_t state = 20240607;
  for (int i = 0; i < addedSignatures; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "Bench-Dialer %06d", i);
    char fingerprint[33];
    std::snprintf(fingerprint, sizeof fingerprint, "%016llx%016llx",
                  static_cast<unsigned long long>(splitmix(state)),
                  static_cast<unsigned long long>(splitmix(state)));
    const sigmatch::RawRecord record = sigmatch::encodeRecord(name, fingerprint);
    out.write(reinterpret_cast<const char*>(record.data()), record.size());
  }
  if (!out) throw std::runtime_error("cannot write " + folder + "orv.sig");
}

void restoreSettings(const std::string& folder, const std::string& dataDir) {
  for (const char* name : kSettingsFiles) copyFile(dataDir + "/" + name, folder + name);
}

long signatureRecords(const std::string& file) {
  std::error_code error;
  const auto size = fs::file_size(file, error);
  return error ? 0 : static_cast<long>(size / sigmatch::kRecordSize);
}

}  // namespace startupbench
