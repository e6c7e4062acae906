#include "marker_search.h"

#include <array>
#include <cstdint>
#include <cstring>

#include "vocabulary.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define CODESNIFF_HAVE_X86_PATHS 1
#endif

namespace codesniff {
namespace {

// A set of markers: bit i stands for kMarkers[i].
using MarkerSet = std::uint32_t;
static_assert(kMarkers.size() <= 32, "one bit per marker");

constexpr MarkerSet bit(std::size_t i) {
  return MarkerSet{1} << i;
}

// For each byte value, the markers that start with it.
constexpr std::array<MarkerSet, 256> makeStarts() {
  std::array<MarkerSet, 256> starts{};
  for (std::size_t i = 0; i < kMarkers.size(); ++i)
    starts[static_cast<unsigned char>(kMarkers[i].text[0])] |= bit(i);
  return starts;
}

constexpr std::array<MarkerSet, 256> kStarts = makeStarts();

// What a find of each marker makes pointless to look for: a group's marker settles its own
// group and the lower ones (a higher group replaces a lower one, never the reverse), a
// prefix settles the prefixes.
constexpr std::array<MarkerSet, kMarkers.size()> makeSettles() {
  std::array<MarkerSet, kMarkers.size()> settles{};
  for (std::size_t i = 0; i < kMarkers.size(); ++i)
    for (std::size_t j = 0; j < kMarkers.size(); ++j) {
      const bool prefix = kMarkers[i].group == kNumberPrefix;
      const bool otherPrefix = kMarkers[j].group == kNumberPrefix;
      if (prefix ? otherPrefix : !otherPrefix && kMarkers[j].group <= kMarkers[i].group)
        settles[i] |= bit(j);
    }
  return settles;
}

constexpr std::array<MarkerSet, kMarkers.size()> kSettles = makeSettles();

MarkerSet wantedMarkers(int aboveGroup, bool prefixes) {
  MarkerSet wanted = 0;
  for (std::size_t i = 0; i < kMarkers.size(); ++i) {
    const int group = kMarkers[i].group;
    if (group == kNumberPrefix ? prefixes : group > aboveGroup) wanted |= bit(i);
  }
  return wanted;
}

// One search: what is still looked for and what was found.
struct Search {
  MarkerSet wanted;
  Findings found;

  // Tries the wanted markers that start with the byte at `at`.
  void tryAt(std::string_view text, std::size_t at) {
    MarkerSet candidates = kStarts[static_cast<unsigned char>(text[at])] & wanted;
    while (candidates != 0) {
      const auto i = static_cast<std::size_t>(__builtin_ctz(candidates));
      candidates &= candidates - 1;
      const std::string_view marker = kMarkers[i].text;
      if (text.size() - at < marker.size() ||
          std::memcmp(text.data() + at, marker.data(), marker.size()) != 0)
        continue;
      wanted &= ~kSettles[i];
      candidates &= wanted;
      if (kMarkers[i].group == kNumberPrefix)
        found.numberPrefix = true;
      else if (kMarkers[i].group > found.group)
        found.group = kMarkers[i].group;
    }
  }
};

void searchBytewise(std::string_view text, std::size_t from, Search& search) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
  for (std::size_t i = from; i < text.size() && search.wanted != 0; ++i)
    if ((kStarts[bytes[i]] & search.wanted) != 0) search.tryAt(text, i);
}

#ifdef CODESNIFF_HAVE_X86_PATHS
struct BytePair {
  unsigned char first = 0, second = 0;
};

// The distinct first two bytes of the markers: only where one of them stands can a marker
// start. Two bytes of random letters and digits match one of them about once in 600.
struct BytePairs {
  std::array<BytePair, kMarkers.size()> pairs{};
  std::size_t count = 0;
};

constexpr BytePairs makeBytePairs() {
  BytePairs made;
  for (const Marker& marker : kMarkers) {
    const BytePair pair{static_cast<unsigned char>(marker.text[0]),
                        static_cast<unsigned char>(marker.text[1])};
    bool known = false;
    for (std::size_t p = 0; p < made.count; ++p)
      known = known || (made.pairs[p].first == pair.first && made.pairs[p].second == pair.second);
    if (!known) made.pairs[made.count++] = pair;
  }
  return made;
}

constexpr BytePairs kBytePairs = makeBytePairs();

constexpr bool everyMarkerHasTwoBytes() {
  for (const Marker& marker : kMarkers)
    if (marker.text.size() < 2) return false;
  return true;
}
static_assert(everyMarkerHasTwoBytes(), "candidates are told by a marker's first two bytes");

// 32 starting positions at a time: compare each byte and the one after it with the pairs,
// and try the markers only where a pair stands. Returns where the bytewise search goes on.
__attribute__((target("avx2"))) std::size_t searchAvx2(std::string_view text, Search& search) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
  __m256i first[kBytePairs.count], second[kBytePairs.count];
  for (std::size_t p = 0; p < kBytePairs.count; ++p) {
    first[p] = _mm256_set1_epi8(static_cast<char>(kBytePairs.pairs[p].first));
    second[p] = _mm256_set1_epi8(static_cast<char>(kBytePairs.pairs[p].second));
  }
  std::size_t i = 0;
  for (; i + 33 <= text.size() && search.wanted != 0; i += 32) {
    const __m256i here = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(bytes + i));
    const __m256i next = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(bytes + i + 1));
    __m256i hits = _mm256_setzero_si256();
    for (std::size_t p = 0; p < kBytePairs.count; ++p)
      hits = _mm256_or_si256(hits, _mm256_and_si256(_mm256_cmpeq_epi8(here, first[p]),
                                                    _mm256_cmpeq_epi8(next, second[p])));
    for (auto mask = static_cast<unsigned>(_mm256_movemask_epi8(hits));
         mask != 0 && search.wanted != 0; mask &= mask - 1)
      search.tryAt(text, i + static_cast<std::size_t>(__builtin_ctz(mask)));
  }
  return i;
}

// For the 128 ASCII values, the markers whose first byte it is and those whose second byte
// it is, one bit per marker: a marker can start only where the two sets of a byte and the
// byte after it meet. Only letters and digits are searched, all of them ASCII.
struct ByteRoles {
  std::array<unsigned char, 128> first{}, second{};
};

constexpr ByteRoles makeByteRoles() {
  static_assert(kMarkers.size() <= 8, "one bit per marker in a byte");
  ByteRoles roles;
  for (std::size_t i = 0; i < kMarkers.size(); ++i) {
    roles.first[static_cast<unsigned char>(kMarkers[i].text[0]) & 127] |= 1u << i;
    roles.second[static_cast<unsigned char>(kMarkers[i].text[1]) & 127] |= 1u << i;
  }
  return roles;
}

constexpr ByteRoles kByteRoles = makeByteRoles();

// 64 positions at a time, with a two-register table lookup for each byte's sets.
__attribute__((target("avx512f,avx512bw,avx512vbmi"))) std::size_t searchAvx512(
    std::string_view text, Search& search) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
  const __m512i firstLow = _mm512_loadu_si512(kByteRoles.first.data());
  const __m512i firstHigh = _mm512_loadu_si512(kByteRoles.first.data() + 64);
  const __m512i secondLow = _mm512_loadu_si512(kByteRoles.second.data());
  const __m512i secondHigh = _mm512_loadu_si512(kByteRoles.second.data() + 64);
  std::size_t i = 0;
  for (; i + 65 <= text.size() && search.wanted != 0; i += 64) {
    const __m512i here = _mm512_loadu_si512(bytes + i);
    const __m512i next = _mm512_loadu_si512(bytes + i + 1);
    // The lookup takes the low seven bits: bytes above 127 only give candidates that the
    // comparison of the whole marker then rejects.
    const __m512i starts = _mm512_permutex2var_epi8(firstLow, here, firstHigh);
    const __m512i follows = _mm512_permutex2var_epi8(secondLow, next, secondHigh);
    for (__mmask64 hits = _mm512_test_epi8_mask(starts, follows); hits != 0 && search.wanted != 0;
         hits &= hits - 1)
      search.tryAt(text, i + static_cast<std::size_t>(__builtin_ctzll(hits)));
  }
  return i;
}
#endif

}  // namespace

Findings findMarkersAt(VectorLevel level, std::string_view text, int aboveGroup, bool prefixes) {
  Search search{wantedMarkers(aboveGroup, prefixes), {}};
  std::size_t from = 0;
#ifdef CODESNIFF_HAVE_X86_PATHS
  if (level >= VectorLevel::Avx512)
    from = searchAvx512(text, search);
  else if (level >= VectorLevel::Avx2)
    from = searchAvx2(text, search);
#endif
  (void)level;
  searchBytewise(text, from, search);
  return search.found;
}

Findings findMarkers(std::string_view text, int aboveGroup, bool prefixes) {
  return findMarkersAt(processorVectorLevel(), text, aboveGroup, prefixes);
}

}  // namespace codesniff
