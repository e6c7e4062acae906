#include "sigmatch/signature_table.h"

#include <functional>
#include <utility>

namespace sigmatch {
namespace {

// Far beyond what chance produces at half load (a million random fingerprints probe 40 slots
// at the most); reached only by colliding on purpose.
constexpr std::size_t kMaxProbes = 128;

std::size_t hashOf(std::string_view text) {
  return std::hash<std::string_view>{}(text);
}

}  // namespace

void SignatureTable::clear() {
  std::vector<std::int32_t>().swap(m_slots);
  std::vector<SignatureRecord>().swap(m_records);
  m_useLinearPass = false;
}

void SignatureTable::assign(std::vector<SignatureRecord> records) {
  clear();
  m_records = std::move(records);
  try {
    buildIndex();
  } catch (...) {
    // Without a complete index the table would answer differently from its records.
    clear();
    throw;
  }
}

void SignatureTable::buildIndex() {
  if (m_records.empty()) return;
  std::size_t capacity = 16;
  while (capacity < 2 * m_records.size()) capacity *= 2;
  m_slots.assign(capacity, 0);
  const std::size_t mask = capacity - 1;

  for (std::size_t i = 0; i < m_records.size(); ++i) {
    const std::string_view key = m_records[i].fingerprint.view();
    std::size_t slot = hashOf(key) & mask;
    std::size_t probes = 0;
    // An equal key already in place belongs to an earlier record, which stays the answer.
    while (m_slots[slot] != 0 && m_records[m_slots[slot] - 1].fingerprint.view() != key) {
      if (++probes == kMaxProbes) {
        std::vector<std::int32_t>().swap(m_slots);
        m_useLinearPass = true;
        return;
      }
      slot = (slot + 1) & mask;
    }
    if (m_slots[slot] == 0) m_slots[slot] = static_cast<std::int32_t>(i + 1);
  }
}

const SignatureRecord* SignatureTable::findFirst(std::string_view fingerprint) const {
  if (m_useLinearPass) return findFirstLinear(fingerprint);
  if (m_slots.empty()) return nullptr;
  const std::size_t mask = m_slots.size() - 1;
  for (std::size_t slot = hashOf(fingerprint) & mask; m_slots[slot] != 0;
       slot = (slot + 1) & mask) {
    const SignatureRecord& record = m_records[static_cast<std::size_t>(m_slots[slot] - 1)];
    if (record.fingerprint.view() == fingerprint) return &record;
  }
  return nullptr;
}

std::string_view SignatureTable::answer(std::string_view fingerprint) const {
  const SignatureRecord* match = findFirst(fingerprint);
  return match != nullptr ? match->dialerName.view() : std::string_view("OK");
}

const SignatureRecord* SignatureTable::findFirstLinear(std::string_view fingerprint) const {
  for (const SignatureRecord& record : m_records) {
    if (record.fingerprint.view() == fingerprint) return &record;
  }
  return nullptr;
}

}  // namespace sigmatch
