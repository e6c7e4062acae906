#include "sigmatch/signature_table.h"

#include <utility>

namespace sigmatch {

void SignatureTable::clear() {
  std::unordered_map<std::string_view, std::int32_t>().swap(m_firstIndex);
  std::vector<SignatureRecord>().swap(m_records);
}

void SignatureTable::assign(std::vector<SignatureRecord> records) {
  clear();
  m_records = std::move(records);
  try {
    m_firstIndex.reserve(m_records.size());
    for (std::size_t i = 0; i < m_records.size(); ++i) {
      // try_emplace keeps the earliest record of each fingerprint.
      m_firstIndex.try_emplace(m_records[i].fingerprint.view(), static_cast<std::int32_t>(i));
    }
  } catch (...) {
    // Without a complete index the table would answer differently from its records.
    clear();
    throw;
  }
}

const SignatureRecord* SignatureTable::findFirst(std::string_view fingerprint) const {
  const auto it = m_firstIndex.find(fingerprint);
  return it == m_firstIndex.end() ? nullptr : &m_records[static_cast<std::size_t>(it->second)];
}

const SignatureRecord* SignatureTable::findFirstLinear(std::string_view fingerprint) const {
  for (const SignatureRecord& record : m_records) {
    if (record.fingerprint.view() == fingerprint) return &record;
  }
  return nullptr;
}

}  // namespace sigmatch
