#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "sigmatch/signature_record.h"

namespace sigmatch {

// The loaded signatures in file order, with an index from fingerprint text to the first
// record that holds it, so that a lookup costs the same for ten records as for a million
// and still gives the record a pass in file order would find first. The index is an open
// hash table of record numbers: no allocation per record, so a million load quickly.
class SignatureTable {
 public:
  SignatureTable() = default;
  SignatureTable(const SignatureTable&) = delete;
  SignatureTable& operator=(const SignatureTable&) = delete;

  // Replaces the table; the previous records are freed.
  void assign(std::vector<SignatureRecord> records);
  void clear();

  std::int32_t count() const { return static_cast<std::int32_t>(m_records.size()); }

  // The first record, in file order, whose fingerprint equals `fingerprint` byte for byte
  // (upper and lower case distinct); null when there is none. The empty text finds the
  // first record with an empty fingerprint.
  const SignatureRecord* findFirst(std::string_view fingerprint) const;
  // What a scan answers for a file with `fingerprint`: the name of the first record that
  // holds it, or "OK" when none does.
  std::string_view answer(std::string_view fingerprint) const;
  // The same record as findFirst from a pass over the records, without the index.
  const SignatureRecord* findFirstLinear(std::string_view fingerprint) const;

 private:
  void buildIndex();

  std::vector<SignatureRecord> m_records;
  // Record number + 1 of the first record of each fingerprint, 0 for a free slot; the size
  // is the smallest power of two of at least two slots a record, so that at most half of
  // them are taken, probed linearly.
  std::vector<std::int32_t> m_slots;
  // Set when fingerprints collide so often that probing would no longer be short (only a
  // file made to do so): lookups then take the plain pass, which gives the same answers.
  bool m_useLinearPass = false;
};

}  // namespace sigmatch
