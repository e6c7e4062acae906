#include "codesniff.h"

#include "examination.h"
#include "findings.h"
#include "vocabulary.h"

void CheckHeuristically(ShortText* result, const char* path, uint8_t anyLength) {
  if (result == nullptr) return;
  orv::setShortText(result, codesniff::kNothingFound);
  if (path == nullptr) return;
  // Nothing may cross the C boundary; the only thing that can throw is the allocation of
  // the working buffers, before any byte is read, so "OK" is the honest answer then.
  try {
    const codesniff::Findings findings = codesniff::examineFile(path, anyLength != 0);
    orv::setShortText(result, codesniff::resultText(findings));
  } catch (...) {
  }
}
