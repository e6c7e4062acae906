#include "findings.h"

#include "vocabulary.h"

namespace codesniff {

std::string resultText(const Findings& findings) {
  if (findings.group < 0 || findings.group >= static_cast<int>(kGroupCount))
    return std::string(kNothingFound);
  std::string text(kGroupTexts[static_cast<std::size_t>(findings.group)]);
  if (findings.numberPrefix) text += kNumberAppendix;
  return text;
}

}  // namespace codesniff
