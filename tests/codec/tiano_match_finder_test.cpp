// Match finder of the Tiano/EFI encoder, driven position by position as the encoder drives it,
// and checked against a brute-force search of the input: every match is real, inside the
// window and as long as any.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "codec/tiano_match_finder.h"
#include "support/test_data.h"

namespace kalvire::codec {
namespace {

using Bytes = std::vector<uint8_t>;
constexpr size_t kWindow = TianoMatchFinder::kWindowSize;
constexpr size_t kMaxMatch = TianoMatchFinder::kMaxMatch;

struct Found {
  size_t length;
  size_t distance;  // 0 for a length of 1
};

// The finder's answer at every input position. Lengths are not clamped to the input left (the
// finder sees the zero text past the end) unless `clamp` is set, as the encoder does.
std::vector<Found> FindAll(const Bytes& input, bool clamp = false) {
  auto finder = std::make_unique<TianoMatchFinder>();
  finder->Reset();
  size_t loaded = 0;
  auto load = [&](std::span<uint8_t> area) {
    const size_t count = std::min(area.size(), input.size() - loaded);
    if (count != 0) std::memcpy(area.data(), input.data() + loaded, count);
    loaded += count;
  };
  load(finder->FirstLoadArea());
  std::vector<Found> found;
  for (size_t at = 0; at < input.size(); ++at) {
    if (at != 0) {
      load(finder->Advance());
      finder->Delete();
    }
    finder->Insert();
    // A length of 1 leaves the match position as it was.
    if (finder->MatchLength() < 2) {
      found.push_back({1, 0});
      continue;
    }
    EXPECT_LT(finder->MatchPosition(), finder->CurrentPosition()) << "at " << at;
    if (clamp && size_t(finder->MatchLength()) > input.size() - at) {
      finder->SetMatchLength(int32_t(input.size() - at));
    }
    found.push_back({size_t(finder->MatchLength()),
                     size_t(finder->CurrentPosition() - finder->MatchPosition())});
  }
  return found;
}

size_t CommonLength(const Bytes& input, size_t a, size_t b, size_t limit) {
  size_t n = 0;
  while (n < limit && input[a + n] == input[b + n]) ++n;
  return n;
}

// The longest match over the strings the trie holds: the previous kWindow - 1 positions.
size_t BruteForceLength(const Bytes& input, size_t at) {
  const size_t limit = std::min(kMaxMatch, input.size() - at);
  size_t best = 1;
  for (size_t distance = 1; distance < kWindow && distance <= at && best < limit; ++distance) {
    best = std::max(best, CommonLength(input, at - distance, at, limit));
  }
  return best;
}

// Small alphabet with copies from earlier, some from the window's far end (distances kWindow - 7
// to kWindow), so that long and full-length matches, shortcuts from the previous match and leaf
// replacements all occur.
Bytes RepetitiveInput(size_t size, uint64_t seed) {
  const Bytes noise = test::RandomBytes(size * 2, seed);
  Bytes out;
  size_t k = 0;
  while (out.size() < size) {
    const uint8_t pick = noise[k++];
    if (pick < 140 || out.size() < 400) {
      out.push_back(uint8_t('a' + noise[k++] % 3));
      continue;
    }
    const bool far = out.size() > kWindow + 8 && pick > 230;
    const size_t distance =
        far ? kWindow - noise[k++] % 8 : 1 + (size_t(noise[k]) << 8 | noise[k + 1]) % 390;
    k += 2;
    const size_t length = 3 + noise[k++] % (pick > 200 ? 300 : 12);
    for (size_t i = 0; i < length && out.size() < size && distance <= out.size(); ++i) {
      out.push_back(out[out.size() - distance]);
    }
  }
  out.resize(size);
  return out;
}

// Random bytes without zeros but for one every 7000 bytes: the root of byte 0 has few children.
Bytes RareZeros(size_t size, uint64_t seed) {
  Bytes out = test::RandomBytes(size, seed);
  for (size_t i = 0; i < size; ++i) out[i] = i % 7000 == 0 ? 0 : std::max<uint8_t>(out[i], 1);
  return out;
}

TEST(TianoMatchFinder, FindsTheLongestMatchOfTheWindowAfterSliding) {
  const struct {
    const char* name;
    Bytes input;
    bool clamp;
    size_t step;  // every position is checked for real matches, every step-th by brute force
    size_t long_matches;  // at least this many of 100 bytes or more
    // Of every (length, distance): the encoder must reproduce stored streams byte for byte, so
    // which of the longest matches is taken is pinned too.
    uint64_t fingerprint;
  } cases[] = {
      {"equal bytes", Bytes(300, 'x'), false, 1, 1, 0xc496cf2e561561cb},
      {"repetitive", RepetitiveInput(4 * kWindow + 333, 1), false, 5, 100, 0x43bb390911dfeafe},
      {"repetitive, clamped", RepetitiveInput(4 * kWindow + 333, 2), true, 5, 100,
       0xc168a4621c24ca91},
      {"repetitive, far copies", RepetitiveInput(3 * kWindow, 11), false, 3, 100,
       0x776ff5131559470f},
      {"mixed", test::MixedCorpus(5 * kWindow, 3), false, 5, 100, 0x72caf2ca1baef0a1},
      {"rare zeros", RareZeros(5 * kWindow, 4), false, 7, 0, 0xb68d8167fadc5e32},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const Bytes& input = c.input;
    const std::vector<Found> found = FindAll(input, c.clamp);
    uint64_t fingerprint = 14695981039346656037ull;
    size_t long_matches = 0;
    for (size_t at = 0; at < input.size(); ++at) {
      fingerprint =
          (fingerprint ^ (found[at].length << 16 | found[at].distance)) * 1099511628211ull;
      const size_t left = input.size() - at;
      const size_t length = std::min(found[at].length, left);
      if (length >= 2) {
        const size_t distance = found[at].distance;
        ASSERT_GE(distance, 1u) << "at " << at;
        ASSERT_LE(distance, std::min(at, kWindow)) << "at " << at;
        ASSERT_EQ(CommonLength(input, at - distance, at, length), length) << "at " << at;
        long_matches += length >= 100;
      }
      if (at % c.step == 0) {
        ASSERT_EQ(length, std::min(BruteForceLength(input, at), left)) << "at " << at;
      }
    }
    EXPECT_GE(long_matches, c.long_matches);
    EXPECT_EQ(fingerprint, c.fingerprint) << std::hex << fingerprint;
  }
}

}  // namespace
}  // namespace kalvire::codec
