#include "sigmatch/sigmatch.h"

#include "sigmatch/fingerprint.h"
#include "sigmatch/signature_loader.h"
#include "sigmatch/signature_table.h"

namespace {

// The module state: empty at load, replaced by each InitDialersDatabase, freed at unload.
sigmatch::SignatureTable g_signatures;

}  // namespace

int32_t InitDialersDatabase(const char* path) {
  g_signatures.clear();
  try {
    g_signatures.assign(sigmatch::loadSignatureFile(path).records);
  } catch (...) {
    // Out of memory: nothing loaded is the one answer on which table and count agree.
    g_signatures.clear();
  }
  return g_signatures.count();
}

void ScanDialers(ShortText* result, const char* path) {
  if (result == nullptr) return;
  orv::setShortText(result, "OK");
  const sigmatch::FingerprintText fingerprint = sigmatch::computeFingerprint(path);
  orv::setShortText(result, g_signatures.answer(fingerprint.view()));
}
