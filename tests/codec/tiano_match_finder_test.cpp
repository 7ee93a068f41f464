// Match finder of the Tiano/EFI encoder, driven position by position as the encoder drives it,
// and checked against the input itself: every match is real, lies inside the window and is as
// long as a brute-force search finds.
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
  int32_t length;
  size_t distance;  // meaningful for lengths of 2 or more
};

// The finder's answer at every input position. Lengths are not clamped to the input left, as
// the finder sees stale text past the end; callers clamp before comparing.
std::vector<Found> FindAll(const Bytes& input) {
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
    EXPECT_LT(finder->MatchPosition(), finder->CurrentPosition()) << "at " << at;
    found.push_back(
        {finder->MatchLength(), size_t(finder->CurrentPosition() - finder->MatchPosition())});
  }
  return found;
}

size_t CommonLength(const Bytes& input, size_t a, size_t b, size_t limit) {
  size_t n = 0;
  while (n < limit && input[a + n] == input[b + n]) ++n;
  return n;
}

// Longest match over the strings the trie holds: the previous kWindow - 1 positions.
size_t BruteForceLength(const Bytes& input, size_t at) {
  const size_t limit = std::min(kMaxMatch, input.size() - at);
  size_t best = 0;
  for (size_t distance = 1; distance < kWindow && distance <= at && best < limit; ++distance) {
    best = std::max(best, CommonLength(input, at - distance, at, limit));
  }
  return best;
}

// A linear de Bruijn sequence of order 2 over 256 symbols: every two-byte string once.
Bytes AllPairsOnce() {
  Bytes out;
  for (int a = 0; a < 256; ++a) {
    out.push_back(uint8_t(a));
    for (int b = a + 1; b < 256; ++b) {
      out.push_back(uint8_t(a));
      out.push_back(uint8_t(b));
    }
  }
  out.push_back(0);
  return out;
}

// Small alphabet with copies from earlier, some from near the window's far end, so that long
// matches, shortcuts from the previous match and leaf replacements all occur.
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
    const size_t far = out.size() > kWindow + 8 && pick > 230;
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

TEST(TianoMatchFinder, AllDistinctPairsGiveNoMatch) {
  const Bytes input = AllPairsOnce();
  std::vector<bool> seen(65536);
  for (size_t i = 0; i + 1 < input.size(); ++i) {
    const size_t pair = size_t(input[i]) << 8 | input[i + 1];
    ASSERT_FALSE(seen[pair]) << "input repeats a pair at " << i;
    seen[pair] = true;
  }
  const std::vector<Found> found = FindAll(input);
  // The last position pairs its byte with the zero text after the input.
  for (size_t at = 0; at + 1 < input.size(); ++at) {
    ASSERT_EQ(found[at].length, 1) << "at " << at;
  }
}

TEST(TianoMatchFinder, EqualBytesMatchTheirNeighbourUpToTheLongestLength) {
  const Bytes input(300, 'x');
  const std::vector<Found> found = FindAll(input);
  EXPECT_EQ(found[0].length, 1);
  for (size_t at = 1; at < input.size(); ++at) {
    SCOPED_TRACE(at);
    // The text after the input is zero, so the run ends there.
    EXPECT_EQ(size_t(found[at].length), std::min(kMaxMatch, input.size() - at));
    // The newest equal string replaced the older leaf, so the nearest one is found.
    if (at + 1 < input.size()) {
      EXPECT_EQ(found[at].distance, 1u);
    }
  }
}

TEST(TianoMatchFinder, MatchesAreRealAndInsideTheWindowAfterSliding) {
  for (const uint64_t seed : {1u, 2u, 3u}) {
    SCOPED_TRACE(seed);
    // Several slides of the text: the first comes after one window of positions.
    const Bytes input =
        seed == 3 ? test::MixedCorpus(5 * kWindow, seed) : RepetitiveInput(5 * kWindow + 333, seed);
    const std::vector<Found> found = FindAll(input);
    size_t long_matches = 0;
    for (size_t at = 0; at < input.size(); ++at) {
      const size_t length = std::min(size_t(found[at].length), input.size() - at);
      if (length < 2) continue;
      const size_t distance = found[at].distance;
      ASSERT_GE(distance, 1u) << "at " << at;
      ASSERT_LE(distance, std::min(at, kWindow)) << "at " << at;
      ASSERT_EQ(CommonLength(input, at - distance, at, length), length) << "at " << at;
      long_matches += length >= 100;
    }
    EXPECT_GT(long_matches, 100u);
  }
}

TEST(TianoMatchFinder, FindsTheLongestMatchOfTheWindow) {
  for (const uint64_t seed : {11u, 12u}) {
    SCOPED_TRACE(seed);
    const Bytes input = RepetitiveInput(3 * kWindow, seed);
    const std::vector<Found> found = FindAll(input);
    // Every fifth position keeps the brute-force search affordable.
    for (size_t at = 0; at < input.size(); at += 5) {
      const size_t left = input.size() - at;
      const size_t expected = std::max<size_t>(BruteForceLength(input, at), 1);
      ASSERT_EQ(std::min(size_t(found[at].length), left), std::min(expected, left)) << "at " << at;
    }
  }
}

}  // namespace
}  // namespace kalvire::codec
