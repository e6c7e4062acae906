#include "phone_number.h"

#include <cctype>

namespace orv::ras {
namespace {

// The length of the country code at the start of `digits`. Codes are prefix-free: 1 and 7
// stand alone, these two-digit codes are assigned, every other code has three digits.
std::size_t countryCodeLength(const std::string& digits) {
  if (digits[0] == '1' || digits[0] == '7') return 1;
  static const int kTwoDigit[] = {20, 27, 30, 31, 32, 33, 34, 36, 39, 40, 41, 43, 44, 45, 46,
                                  47, 48, 49, 51, 52, 53, 54, 55, 56, 57, 58, 60, 61, 62, 63,
                                  64, 65, 66, 81, 82, 84, 86, 90, 91, 92, 93, 94, 95, 98};
  if (digits.size() >= 2) {
    const int two = (digits[0] - '0') * 10 + (digits[1] - '0');
    for (const int code : kTwoDigit)
      if (code == two) return 2;
  }
  return 3;
}

bool isSeparator(char c) {
  return c == ' ' || c == '-' || c == '/' || c == '(' || c == ')';
}

}  // namespace

PhoneFields splitDialString(const std::string& dialString) {
  PhoneFields fields;
  fields.localNumber = dialString;
  if (dialString.size() < 2 || dialString[0] != '+') return fields;
  std::size_t digits = 1;
  while (digits < dialString.size() && std::isdigit(static_cast<unsigned char>(dialString[digits])))
    ++digits;
  const std::string leading = dialString.substr(1, digits - 1);
  if (leading.empty() || leading[0] == '0') return fields;
  const std::size_t length = countryCodeLength(leading);
  if (leading.size() < length) return fields;
  std::size_t rest = 1 + length;
  while (rest < dialString.size() && isSeparator(dialString[rest])) ++rest;
  if (rest >= dialString.size()) return fields;  // a country code alone dials nowhere
  fields.countryCode = static_cast<std::uint32_t>(std::stoul(leading.substr(0, length)));
  fields.countryId = fields.countryCode;
  fields.localNumber = dialString.substr(rest);
  fields.useCountryAndArea = true;
  return fields;
}

bool isCountryCode(std::uint32_t code) {
  const std::string digits = std::to_string(code);
  return code > 0 && digits.size() <= 3 && countryCodeLength(digits) == digits.size();
}

}  // namespace orv::ras
