#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "sigmatch/fixed_text.h"

namespace sigmatch {

// One known dialer: the name the user is warned with and the fingerprint of its file.
struct SignatureRecord {
  FixedText<50> dialerName;
  FixedText<32> fingerprint;
};

// A record in a signature file: name length, 50 name bytes, fingerprint length,
// 32 fingerprint bytes. Character bytes are scrambled; lengths and filler are stored plain.
inline constexpr std::size_t kRecordSize = 84;
inline constexpr std::size_t kNameLengthOffset = 0;
inline constexpr std::size_t kNameOffset = 1;
inline constexpr std::size_t kFingerprintLengthOffset = 51;
inline constexpr std::size_t kFingerprintOffset = 52;

using RawRecord = std::array<std::uint8_t, kRecordSize>;

// Turns one stored text field into plain text. A stored length above the field's capacity
// counts as the capacity; bytes past the length are filler and ignored.
template <std::size_t Capacity>
FixedText<Capacity> unscrambleSignatureText(std::uint8_t storedLength, const std::uint8_t* area);

SignatureRecord decodeRecord(const std::uint8_t* raw);

// The stored form of a record; texts longer than their field are cut, filler is zero.
RawRecord encodeRecord(std::string_view dialerName, std::string_view fingerprint);

}  // namespace sigmatch
