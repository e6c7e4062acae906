#include "bench_signatures.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

#include "sigmatch/fingerprint.h"
#include "sigmatch/md5.h"
#include "sigmatch/signature_record.h"

namespace scanbench {
namespace {

std::string hex(const sigmatch::Md5::Digest& digest) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string text;
  for (const std::uint8_t byte : digest) {
    text += kDigits[byte >> 4];
    text += kDigits[byte & 0x0f];
  }
  return text;
}

// 32 lower-case hex digits that no file of the tree hashes to (in all likelihood).
std::string randomDigest(std::mt19937_64& random) {
  sigmatch::Md5::Digest digest;
  for (std::size_t i = 0; i < digest.size(); i += 8) {
    const std::uint64_t word = random();
    for (std::size_t b = 0; b < 8; ++b) digest[i + b] = static_cast<std::uint8_t>(word >> (8 * b));
  }
  return hex(digest);
}

std::string wholeFileMd5(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  return hex(sigmatch::md5(bytes.data(), bytes.size()));
}

struct Entry {
  std::string name;
  std::string digest;
  std::uint64_t size;
};

// Samples and decoys, mixed in a fixed order; `sampleDigest` gives each sample's digest.
template <typename SampleDigest>
std::vector<Entry> mixedEntries(const std::vector<Sample>& samples, int decoys, std::uint64_t seed,
                                SampleDigest sampleDigest) {
  std::mt19937_64 random(seed ^ 0x5167u);
  std::vector<Entry> entries;
  for (const Sample& sample : samples)
    entries.push_back({sample.name, sampleDigest(sample), sample.size});
  for (int i = 0; i < decoys; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "Bench-Decoy-%04d", i);
    entries.push_back({name, randomDigest(random), 300 + random() % (400 * 1024)});
  }
  for (std::size_t i = entries.size(); i > 1; --i) std::swap(entries[i - 1], entries[random() % i]);
  return entries;
}

void writeAll(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out.flush()) throw std::runtime_error("cannot write " + path);
}

}  // namespace

int writeSignatureFile(const std::string& path, const std::vector<Sample>& samples, int decoys,
                       std::uint64_t seed) {
  // The same fingerprint and record code as the signature tool.
  const auto entries = mixedEntries(samples, decoys, seed, [](const Sample& sample) {
    const sigmatch::FingerprintText fingerprint = sigmatch::computeFingerprint(sample.path.c_str());
    if (fingerprint.empty()) throw std::runtime_error("sample without fingerprint: " + sample.path);
    return std::string(fingerprint.view());
  });
  std::string bytes;
  for (const Entry& entry : entries) {
    const sigmatch::RawRecord raw = sigmatch::encodeRecord(entry.name, entry.digest);
    bytes.append(reinterpret_cast<const char*>(raw.data()), raw.size());
  }
  writeAll(path, bytes);
  return static_cast<int>(entries.size());
}

int writeHashDatabase(const std::string& path, const std::vector<Sample>& samples, int decoys,
                      std::uint64_t seed) {
  const auto entries = mixedEntries(samples, decoys, seed,
                                    [](const Sample& sample) { return wholeFileMd5(sample.path); });
  std::string text;
  for (const Entry& entry : entries)
    text += entry.digest + ":" + std::to_string(entry.size) + ":" + entry.name + "\n";
  writeAll(path, text);
  return static_cast<int>(entries.size());
}

}  // namespace scanbench
