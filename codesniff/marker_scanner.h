#pragma once

#include <cstddef>
#include <memory>

#include "findings.h"
#include "vocabulary.h"

namespace codesniff {

// Looks for the markers in a file's examined text while the file's bytes come in
// piece by piece. The pieces may be cut anywhere: the scanner keeps the tail of the
// text it has searched, so a marker that spans two pieces is still found, and the
// findings equal those of searching the whole text at once.
class MarkerScanner {
 public:
  // `capacity`: how much examined text is gathered before it is searched. With room for
  // all of it, the text is searched once.
  explicit MarkerScanner(std::size_t capacity = 128 * 1024);

  // Takes the next raw bytes of the file.
  void feed(const unsigned char* data, std::size_t size);
  // Searches what is still gathered; call once after the last piece.
  void finish();

  // True when no further bytes can change the result.
  bool settled() const;
  const Findings& findings() const { return m_findings; }

 private:
  // Searches the gathered text and keeps its tail; `last`: no more text follows.
  void search(bool last);

  // Enough of the searched text to complete any marker that starts inside it.
  static constexpr std::size_t kCarry = kLongestMarker - 1;

  std::size_t m_capacity;
  // Left uninitialised: only the bytes up to m_length are ever read.
  std::unique_ptr<unsigned char[]> m_text;
  std::size_t m_length = 0;
  std::size_t m_unsearched = 0;  // bytes at the end of m_text not searched yet
  Findings m_findings;
};

}  // namespace codesniff
