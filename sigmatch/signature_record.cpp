#include "sigmatch/signature_record.h"

#include <algorithm>
#include <cstring>

#include "sigmatch/signature_key.h"

namespace sigmatch {

static_assert(sizeof(SignatureRecord) == kRecordSize, "records are held without padding");

template <std::size_t Capacity>
FixedText<Capacity> unscrambleSignatureText(std::uint8_t storedLength, const std::uint8_t* area) {
  FixedText<Capacity> text;
  text.length = static_cast<std::uint8_t>(std::min<std::size_t>(storedLength, Capacity));
  // The whole area, a fixed count done in wide steps, then the filler cleared again: for a
  // large table loaded at start-up, cheaper than stopping at the length byte by byte.
  for (std::size_t i = 0; i < Capacity; ++i) {
    text.chars[i] = static_cast<char>(area[i] ^ kSignatureKey);
  }
  std::memset(text.chars + text.length, 0, Capacity - text.length);
  return text;
}

template FixedText<50> unscrambleSignatureText<50>(std::uint8_t, const std::uint8_t*);
template FixedText<32> unscrambleSignatureText<32>(std::uint8_t, const std::uint8_t*);

SignatureRecord decodeRecord(const std::uint8_t* raw) {
  SignatureRecord record;
  record.dialerName = unscrambleSignatureText<50>(raw[kNameLengthOffset], raw + kNameOffset);
  record.fingerprint =
      unscrambleSignatureText<32>(raw[kFingerprintLengthOffset], raw + kFingerprintOffset);
  return record;
}

namespace {

void scrambleInto(std::string_view text, std::size_t capacity, std::uint8_t* lengthByte,
                  std::uint8_t* area) {
  const std::size_t length = std::min(text.size(), capacity);
  *lengthByte = static_cast<std::uint8_t>(length);
  for (std::size_t i = 0; i < length; ++i) {
    area[i] = static_cast<std::uint8_t>(text[i]) ^ kSignatureKey;
  }
}

}  // namespace

RawRecord encodeRecord(std::string_view dialerName, std::string_view fingerprint) {
  RawRecord raw{};
  scrambleInto(dialerName, 50, &raw[kNameLengthOffset], &raw[kNameOffset]);
  scrambleInto(fingerprint, 32, &raw[kFingerprintLengthOffset], &raw[kFingerprintOffset]);
  return raw;
}

}  // namespace sigmatch
