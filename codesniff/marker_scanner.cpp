#include "marker_scanner.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "text_filter.h"

namespace codesniff {

MarkerScanner::MarkerScanner(std::size_t capacity)
    : m_text(kCarry + std::max<std::size_t>(capacity, 1)) {
  for (std::size_t i = 0; i < kMarkers.size(); ++i)
    m_tables[i] = makeBadCharacterTable(kMarkers[i].text);
}

void MarkerScanner::feed(const unsigned char* data, std::size_t size) {
  while (size > 0 && !settled()) {
    if (m_length == m_text.size()) search(false);
    const std::size_t take = std::min(size, m_text.size() - m_length);
    const std::size_t kept = filterExamined(data, take, m_text.data() + m_length);
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
  const std::string_view text(reinterpret_cast<const char*>(m_text.data()), m_length);
  // Only what can still change the result is searched: the groups above the best one
  // found so far, highest first, and the prefixes until one turns up. The prefixes
  // count only beside a group, so the last text needs them only when a group was found;
  // text that is about to be dropped cannot wait for that.
  for (int group = static_cast<int>(kGroupCount) - 1; group > m_findings.group; --group) {
    for (std::size_t i = 0; i < kMarkers.size() && m_findings.group < group; ++i)
      if (kMarkers[i].group == group && findWithTable(kMarkers[i].text, m_tables[i], text) > 0)
        m_findings.group = group;
  }
  const bool prefixesMatter = m_findings.group >= 0 || !last;
  for (std::size_t i = 0; i < kMarkers.size() && prefixesMatter && !m_findings.numberPrefix; ++i)
    if (kMarkers[i].group == kNumberPrefix &&
        findWithTable(kMarkers[i].text, m_tables[i], text) > 0)
      m_findings.numberPrefix = true;

  const std::size_t keep = std::min(m_length, kCarry);
  std::memmove(m_text.data(), m_text.data() + m_length - keep, keep);
  m_length = keep;
  m_unsearched = 0;
}

}  // namespace codesniff
