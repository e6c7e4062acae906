#include "sig_commands.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstring>
#include <ostream>
#include <string_view>
#include <unordered_map>

#include "name_encoding.h"
#include "sigmatch/fingerprint.h"
#include "sigmatch/posix_file.h"
#include "sigmatch/signature_loader.h"
#include "unique_fd.h"

using orv::UniqueFd;

namespace orvsig {
namespace {

using sigmatch::kRecordSize;
using sigmatch::PosixFile;

constexpr std::size_t kMaxNameBytes = 50;

// Only what the fingerprint code produces can ever equal a file's fingerprint.
bool isMatchableFingerprint(std::string_view text) {
  if (text.size() != 32) return false;
  for (char c : text) {
    if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
  }
  return true;
}

std::string quoted(std::string_view bytes) {
  return "\"" + cp1252ToDisplay(bytes) + "\"";
}

// The reason a name cannot be stored, or empty when it can.
std::string nameProblem(const std::optional<std::string>& name) {
  if (!name) {
    return "the name has characters outside Windows-1252, the single-byte code page "
           "signature names are stored in";
  }
  if (name->empty()) return "the name is empty; it is the text the user is warned with";
  if (name->size() > kMaxNameBytes) {
    return "the name is " + std::to_string(name->size()) + " bytes long; a signature record " +
           "holds at most " + std::to_string(kMaxNameBytes);
  }
  if (*name == "OK") return "the name \"OK\" could not be told apart from a clean result";
  for (char c : *name) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F) return "the name contains control characters";
  }
  return {};
}

// The fingerprint of `path`, or an explanation of why it has none.
bool fingerprintOf(const std::string& path, sigmatch::FingerprintText& fingerprint,
                   std::string& problem) {
  PosixFile file;
  switch (file.open(path.c_str())) {
    case PosixFile::OpenResult::Failed:
      problem = std::string("cannot open it: ") + std::strerror(file.openError());
      return false;
    case PosixFile::OpenResult::NotRegularFile:
      problem = "not a regular file";
      return false;
    case PosixFile::OpenResult::Opened:
      break;
  }
  unsigned char head[2];
  if (file.size() < 2 || !sigmatch::readFully(file, 0, head, 2) ||
      !sigmatch::isExecutableSignature(head[0], head[1])) {
    problem =
        "not an executable (it does not start with \"MZ\" or \"ZM\"), so it has no fingerprint";
    return false;
  }
  fingerprint = sigmatch::computeFingerprint(file);
  if (fingerprint.empty()) {
    problem = "could not be read in full";
    return false;
  }
  return true;
}

// Appends `bytes` to the file at `path` (created when missing). On any failure the file is
// cut back to its old length, so a half-written record can never shift the records after it.
bool appendRecords(const std::string& path, const std::string& bytes, std::string& problem) {
  UniqueFd fd(::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644));
  if (fd.get() < 0) {
    problem = std::strerror(errno);
    return false;
  }
  struct stat info;
  if (::fstat(fd.get(), &info) != 0) {
    problem = std::strerror(errno);
    return false;
  }
  if (!S_ISREG(info.st_mode) || info.st_size % static_cast<off_t>(kRecordSize) != 0) {
    problem = "it changed while the new records were prepared";
    return false;
  }
  std::size_t written = 0;
  errno = 0;
  while (written < bytes.size()) {
    const ssize_t n = ::write(fd.get(), bytes.data() + written, bytes.size() - written);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    written += static_cast<std::size_t>(n);
  }
  if (written == bytes.size() && ::fsync(fd.get()) == 0) return true;
  problem = std::strerror(errno ? errno : EIO);
  if (::ftruncate(fd.get(), info.st_size) != 0) {
    problem += "; the file could not be cut back and may end with a partial record";
  }
  return false;
}

}  // namespace

int addSignatures(const std::string& sigPath, const std::string& nameArgument,
                  const std::vector<std::string>& files, std::ostream& out, std::ostream& err) {
  const std::optional<std::string> name = toCp1252(nameArgument);
  if (const std::string problem = nameProblem(name); !problem.empty()) {
    err << "orv-sig: " << problem << "\n";
    return kExitUsage;
  }

  std::vector<sigmatch::FingerprintText> fingerprints;
  bool allFound = true;
  for (const std::string& path : files) {
    sigmatch::FingerprintText fingerprint;
    std::string problem;
    if (fingerprintOf(path, fingerprint, problem)) {
      fingerprints.push_back(fingerprint);
    } else {
      err << "orv-sig: " << path << ": " << problem << "\n";
      allFound = false;
    }
  }
  if (!allFound) {
    err << "orv-sig: nothing was added to " << sigPath << "\n";
    return kExitFailure;
  }

  // New records go after the existing ones, which must all be whole.
  sigmatch::LoadedSignatures existing;
  PosixFile sigFile;
  switch (sigFile.open(sigPath.c_str())) {
    case PosixFile::OpenResult::Opened:
      if (const std::uint64_t stray = sigFile.size() % kRecordSize; stray != 0) {
        err << "orv-sig: " << sigPath << " ends with " << stray
            << " bytes that do not make a whole record; records appended after them would "
               "not be read correctly. Nothing was added.\n";
        return kExitFailure;
      }
      existing = sigmatch::readSignatureRecords(sigFile);
      if (existing.status != sigmatch::LoadedSignatures::Status::Complete) {
        err << "orv-sig: cannot read " << sigPath << ". Nothing was added.\n";
        return kExitFailure;
      }
      break;
    case PosixFile::OpenResult::Failed:
      if (sigFile.openError() == ENOENT) break;
      err << "orv-sig: cannot open " << sigPath << ": " << std::strerror(sigFile.openError())
          << ". Nothing was added.\n";
      return kExitFailure;
    case PosixFile::OpenResult::NotRegularFile:
      err << "orv-sig: " << sigPath << " is not a regular file. Nothing was added.\n";
      return kExitFailure;
  }

  std::unordered_map<std::string, std::size_t> firstIndex;
  for (std::size_t i = 0; i < existing.records.size(); ++i) {
    firstIndex.try_emplace(std::string(existing.records[i].fingerprint.view()), i);
  }
  std::string bytes;
  const std::size_t firstNew = existing.records.size();
  for (std::size_t i = 0; i < files.size(); ++i) {
    const std::string fingerprint(fingerprints[i].view());
    const auto [it, isNew] = firstIndex.try_emplace(fingerprint, firstNew + i);
    if (!isNew) {
      err << "orv-sig: warning: " << files[i] << " has the same fingerprint as record "
          << it->second << "; lookups report the earlier record\n";
    }
    const sigmatch::RawRecord raw = sigmatch::encodeRecord(*name, fingerprint);
    bytes.append(reinterpret_cast<const char*>(raw.data()), raw.size());
  }

  std::string problem;
  if (!appendRecords(sigPath, bytes, problem)) {
    err << "orv-sig: cannot write " << sigPath << ": " << problem << ". Nothing was added.\n";
    return kExitFailure;
  }
  for (std::size_t i = 0; i < files.size(); ++i) {
    out << "added record " << firstNew + i << ": " << quoted(*name) << " " << fingerprints[i].view()
        << " " << files[i] << "\n";
  }
  return kExitOk;
}

int listSignatures(const std::string& sigPath, std::ostream& out, std::ostream& err) {
  const sigmatch::LoadedSignatures loaded = sigmatch::loadSignatureFile(sigPath.c_str());
  switch (loaded.status) {
    case sigmatch::LoadedSignatures::Status::CannotOpen:
      err << "orv-sig: cannot open " << sigPath << ": " << std::strerror(loaded.openError) << "\n";
      return kExitFailure;
    case sigmatch::LoadedSignatures::Status::NotRegularFile:
      err << "orv-sig: " << sigPath << " is not a regular file\n";
      return kExitFailure;
    case sigmatch::LoadedSignatures::Status::Complete:
    case sigmatch::LoadedSignatures::Status::ReadError:
      break;
  }

  std::unordered_map<std::string_view, std::size_t> firstIndex;
  for (std::size_t i = 0; i < loaded.records.size(); ++i) {
    const sigmatch::SignatureRecord& record = loaded.records[i];
    const std::string_view name = record.dialerName.view();
    const std::string_view fingerprint = record.fingerprint.view();
    std::vector<std::string> notes;
    if (fingerprint.empty()) {
      notes.push_back("empty fingerprint: matches every file that has none");
    } else if (!isMatchableFingerprint(fingerprint)) {
      notes.push_back("never matches: the fingerprint is not 32 lower-case hex digits");
    }
    const auto [it, isFirst] = firstIndex.try_emplace(fingerprint, i);
    if (!isFirst) {
      notes.push_back("never reported: record " + std::to_string(it->second) +
                      " has the same fingerprint");
    }
    if (name.empty() || name == "OK") {
      notes.push_back("the name cannot be told apart from a clean result");
    }
    out << i << "\t" << cp1252ToDisplay(name) << "\t" << cp1252ToDisplay(fingerprint);
    for (std::size_t n = 0; n < notes.size(); ++n) out << (n == 0 ? "\t" : "; ") << notes[n];
    out << "\n";
  }
  out << loaded.records.size() << (loaded.records.size() == 1 ? " record" : " records") << "\n";

  if (loaded.status == sigmatch::LoadedSignatures::Status::ReadError) {
    err << "orv-sig: reading " << sigPath << " failed after " << loaded.records.size()
        << " records\n";
    return kExitFailure;
  }
  if (const std::uint64_t stray = loaded.fileSize % kRecordSize; stray != 0) {
    err << "orv-sig: note: the last " << stray
        << " bytes do not make a whole record and are ignored\n";
  }
  return kExitOk;
}

}  // namespace orvsig
