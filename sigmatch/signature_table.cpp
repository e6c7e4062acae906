#include "sigmatch/signature_table.h"

#include <functional>
#include <utility>

namespace sigmatch {
namespace {

std::size_t hashOf(std::string_view text) {
  return std::hash<std::string_view>{}(text);
}

// About four records a bucket: few enough to compare one after the other, many enough that
// the offsets stay small beside the records.
std::size_t bucketCountFor(std::size_t records) {
  std::size_t buckets = 1;
  while (buckets * 4 < records) buckets *= 2;
  return buckets;
}

// Fingerprints of one bucket mostly differ in their first character already, so that is
// looked at before the length and the rest, which cost a call.
bool holds(const SignatureRecord& record, std::string_view fingerprint) {
  const std::string_view stored = record.fingerprint.view();
  if (!fingerprint.empty() && (stored.empty() || stored[0] != fingerprint[0])) return false;
  return stored == fingerprint;
}

}  // namespace

void SignatureTable::clear() {
  std::vector<std::uint32_t>().swap(m_bucketStarts);
  std::vector<SignatureRecord>().swap(m_records);
}

void SignatureTable::assign(std::vector<SignatureRecord> records) {
  clear();
  m_records = std::move(records);
  try {
    groupByBucket();
  } catch (...) {
    // Without a complete index the table would answer differently from its records.
    clear();
    throw;
  }
}

// A stable counting sort by bucket, applied in place: besides the offsets it needs one
// destination a record, and no second copy of the records.
void SignatureTable::groupByBucket() {
  const std::size_t count = m_records.size();
  if (count == 0) return;
  const std::size_t mask = bucketCountFor(count) - 1;
  m_bucketStarts.assign(mask + 2, 0);
  std::vector<std::uint32_t> destination(count);

  for (std::size_t i = 0; i < count; ++i) {
    const std::size_t bucket = hashOf(m_records[i].fingerprint.view()) & mask;
    destination[i] = static_cast<std::uint32_t>(bucket);
    ++m_bucketStarts[bucket + 1];
  }
  for (std::size_t b = 1; b < m_bucketStarts.size(); ++b) {
    m_bucketStarts[b] += m_bucketStarts[b - 1];
  }
  // Handing out places in file order keeps each bucket in file order. Each bucket's entry
  // serves as its cursor and so ends at the next bucket's start; shifting back restores it.
  for (std::size_t i = 0; i < count; ++i) destination[i] = m_bucketStarts[destination[i]]++;
  for (std::size_t b = m_bucketStarts.size() - 1; b > 0; --b) {
    m_bucketStarts[b] = m_bucketStarts[b - 1];
  }
  m_bucketStarts[0] = 0;

  // Follows each cycle of the permutation, carrying one record; a placed record is marked
  // by its destination being its own place.
  for (std::size_t start = 0; start < count; ++start) {
    if (destination[start] == start) continue;
    SignatureRecord carried = m_records[start];
    std::size_t to = destination[start];
    while (to != start) {
      std::swap(carried, m_records[to]);
      const std::size_t next = destination[to];
      destination[to] = static_cast<std::uint32_t>(to);
      to = next;
    }
    m_records[start] = carried;
    destination[start] = static_cast<std::uint32_t>(start);
  }
}

const SignatureRecord* SignatureTable::findFirst(std::string_view fingerprint) const {
  if (m_bucketStarts.empty()) return nullptr;
  const std::size_t bucket = hashOf(fingerprint) & (m_bucketStarts.size() - 2);
  const std::uint32_t end = m_bucketStarts[bucket + 1];
  for (std::uint32_t i = m_bucketStarts[bucket]; i < end; ++i) {
    if (holds(m_records[i], fingerprint)) return &m_records[i];
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
