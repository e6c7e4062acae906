#pragma once

#include "support/temp_dir.h"

// Real files in a private temporary folder, and signature records built byte by byte,
// for the tests of the signature library and of the signature tool.

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>
#include <string>
#include <string_view>

#include "sigmatch/sigmatch.h"
#include "sigmatch/signature_key.h"

namespace sigtest {

using TempDir = orvtest::TempDir;

inline void writeFile(const std::string& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path);
}

inline std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// `size` bytes of repeatable noise that start with `head`.
inline std::string fileBytes(std::size_t size, std::string_view head = "MZ", unsigned seed = 1) {
  std::mt19937 random(seed + static_cast<unsigned>(size));
  std::string bytes(size, '\0');
  for (char& c : bytes) c = static_cast<char>(random() & 0xff);
  bytes.replace(0, std::min(head.size(), size), head.substr(0, size));
  return bytes;
}

// One stored record: the length bytes as given, the texts scrambled into their areas, and
// `filler` in the rest of each area.
inline std::string rawRecord(std::uint8_t nameLength, std::string_view name,
                             std::uint8_t fingerprintLength, std::string_view fingerprint,
                             char filler = '\0') {
  std::string raw(84, filler);
  raw[0] = static_cast<char>(nameLength);
  raw[51] = static_cast<char>(fingerprintLength);
  for (std::size_t i = 0; i < name.size() && i < 50; ++i) {
    raw[1 + i] = static_cast<char>(name[i] ^ sigmatch::kSignatureKey);
  }
  for (std::size_t i = 0; i < fingerprint.size() && i < 32; ++i) {
    raw[52 + i] = static_cast<char>(fingerprint[i] ^ sigmatch::kSignatureKey);
  }
  return raw;
}

inline std::string record(std::string_view name, std::string_view fingerprint) {
  return rawRecord(static_cast<std::uint8_t>(name.size()), name,
                   static_cast<std::uint8_t>(fingerprint.size()), fingerprint);
}

// ScanDialers through the shared library, as the program calls it.
inline std::string scan(const std::string& path) {
  ShortText result;
  ScanDialers(&result, path.c_str());
  return std::string(reinterpret_cast<const char*>(result.chars), result.length);
}

inline std::string sourcePath(std::string_view relative) {
  const char* root = std::getenv("ORV_SOURCE_DIR");
  return (std::filesystem::path(root ? root : ".") / relative).string();
}

inline std::string binaryPath(std::string_view relative) {
  const char* root = std::getenv("ORV_BINARY_DIR");
  return (std::filesystem::path(root ? root : ".") / relative).string();
}

}  // namespace sigtest
