#pragma once

#include <string>

namespace codesniff {

// What the examined text of a file showed.
struct Findings {
  // The highest-priority group whose marker was found, -1 for none.
  int group = -1;
  // A premium-rate prefix was found. Only looked for while it can matter: without a
  // group it may stay false although a prefix is there.
  bool numberPrefix = false;
};

// "OK" or the group's sentence, with the number appendix when a prefix was found too.
// The prefixes alone are no finding.
std::string resultText(const Findings& findings);

}  // namespace codesniff
