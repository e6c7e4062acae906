#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "bench_tree.h"

namespace scanbench {

// Writes an ORV signature file: one record per sample with the sample's fingerprint, and
// `decoys` records with fingerprints no file has, in a seeded mixed order so that matches
// lie all over the table. Returns the number of records. Throws std::runtime_error.
int writeSignatureFile(const std::string& path, const std::vector<Sample>& samples, int decoys,
                       std::uint64_t seed);

// Writes the same samples and as many decoys as a hash database for the comparison scanner:
// one "MD5:size:name" line per record, the MD5 taken over the whole file. Returns the number
// of lines. Throws std::runtime_error.
int writeHashDatabase(const std::string& path, const std::vector<Sample>& samples, int decoys,
                      std::uint64_t seed);

}  // namespace scanbench
