#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "sigmatch/signature_record.h"

namespace sigmatch {

// The loaded signatures with an index from fingerprint text to the first record, in file
// order, that holds it, so that a lookup costs the same for ten records as for a million.
//
// The records are kept grouped by a hash bucket of their fingerprint, each bucket in file
// order, and the index is only where each bucket starts: one 32-bit offset per four records,
// an eighth of what a hash table of record numbers at most half full would take, which
// matters when a million signatures are loaded at start. A lookup reads one offset pair and
// then a few records that lie side by side. Equal fingerprints share a bucket, so the first
// equal one in it is the first in file order. A file whose fingerprints all fall into one
// bucket makes lookups no slower than a pass over all records, and loading stays linear.
class SignatureTable {
 public:
  SignatureTable() = default;
  SignatureTable(const SignatureTable&) = delete;
  SignatureTable& operator=(const SignatureTable&) = delete;

  // Replaces the table; the previous records are freed. On running out of memory the table
  // is left empty and the exception passes on.
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
  // The same record as findFirst from a pass over the records in the table's order, without
  // the index. That order keeps records of equal fingerprints in file order, so the first
  // found is still the first in the file.
  const SignatureRecord* findFirstLinear(std::string_view fingerprint) const;

 private:
  void groupByBucket();

  // Grouped by bucket; within a bucket in file order.
  std::vector<SignatureRecord> m_records;
  // Bucket b holds m_records[m_bucketStarts[b] .. m_bucketStarts[b + 1]); one entry more than
  // there are buckets, whose count is a power of two. Empty while there are no records.
  std::vector<std::uint32_t> m_bucketStarts;
};

}  // namespace sigmatch
