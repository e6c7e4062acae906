#pragma once

#include <cstdint>
#include <string>

namespace orv::ras {

// A dial string in the fields of a phonebook entry. The program shows an entry's number as
// "+" country " (" area ") " local, so the fields are chosen such that this shows what the
// modem really dials:
//   "+4930123456"  country 49, no area code, local "30123456", country-and-area option set
//   "0190123456"   country 0, no area code, local "0190123456" (the whole dial string)
//   "*99#"         country 0, no area code, local "*99#"
// Only a leading "+" makes a number international; the country code is split off by the
// international numbering plan (codes of one, two or three digits). Area codes cannot be
// told apart from the rest without tables of every country, so none is split off.
struct PhoneFields {
  std::uint32_t countryId = 0;
  std::uint32_t countryCode = 0;
  std::string areaCode;
  std::string localNumber;
  bool useCountryAndArea = false;
};

PhoneFields splitDialString(const std::string& dialString);

// Whether `code` is a country code of the international numbering plan in its full length.
bool isCountryCode(std::uint32_t code);

}  // namespace orv::ras
