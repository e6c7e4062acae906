#pragma once

#include <cstdint>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "sigmatch/signature_record.h"

namespace sigmatch {

// The loaded signatures in file order, with an index from fingerprint text to the first
// record that holds it, so that a lookup costs the same for ten records as for a million
// and still gives the record a pass in file order would find first.
class SignatureTable {
 public:
  SignatureTable() = default;
  SignatureTable(const SignatureTable&) = delete;
  SignatureTable& operator=(const SignatureTable&) = delete;

  // Replaces the table; the previous records are freed.
  void assign(std::vector<SignatureRecord> records);
  void clear();

  std::int32_t count() const { return static_cast<std::int32_t>(m_records.size()); }
  const std::vector<SignatureRecord>& records() const { return m_records; }

  // The first record, in file order, whose fingerprint equals `fingerprint` byte for byte
  // (upper and lower case distinct); null when there is none. The empty text finds the
  // first record with an empty fingerprint.
  const SignatureRecord* findFirst(std::string_view fingerprint) const;
  // The same answer from a pass over the records, without the index.
  const SignatureRecord* findFirstLinear(std::string_view fingerprint) const;

 private:
  std::vector<SignatureRecord> m_records;
  // Keys view the fingerprints inside m_records, which is not touched while the index lives.
  std::unordered_map<std::string_view, std::int32_t> m_firstIndex;
};

}  // namespace sigmatch
