#include "marker_scanner.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "marker_search.h"
#include "text_filter.h"

namespace codesniff {

MarkerScanner::MarkerScanner(std::size_t capacity)
    : m_capacity(kCarry + std::max<std::size_t>(capacity, 1)),
      m_text(new unsigned char[m_capacity]) {}

void MarkerScanner::feed(const unsigned char* data, std::size_t size) {
  while (size > 0 && !settled()) {
    if (m_length == m_capacity) search(false);
    const std::size_t take = std::min(size, m_capacity - m_length);
    const std::size_t kept = filterExamined(data, take, m_text.get() + m_length);
    m_length += kept;
    m_unsearched += kept;
    data += take;
    size -= take;
  }
}

void MarkerScanner::finish() {
  if (m_unsearched > 0) search(true);
}

bool MarkerScanner::settled() const {
  return m_findings.group == static_cast<int>(Group::Tapi) && m_findings.numberPrefix;
}

void MarkerScanner::search(bool last) {
  const std::string_view text(reinterpret_cast<const char*>(m_text.get()), m_length);
  // Only what can still change the result is looked for: the groups above the best one
  // found so far, and the prefixes until one turns up. The prefixes count only beside a
  // group, so in the last text they count only when a group was found; text that is about
  // to be dropped cannot wait for that.
  const Findings found = findMarkers(text, m_findings.group, !m_findings.numberPrefix);
  if (found.group > m_findings.group) m_findings.group = found.group;
  if (found.numberPrefix && (m_findings.group >= 0 || !last)) m_findings.numberPrefix = true;

  const std::size_t keep = std::min(m_length, kCarry);
  std::memmove(m_text.get(), m_text.get() + m_length - keep, keep);
  m_length = keep;
  m_unsearched = 0;
}

}  // namespace codesniff
