#include "codec/lzma_section.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/test_data.h"

namespace kalvire::codec {
namespace {

std::vector<uint8_t> Compress(std::span<const uint8_t> source) {
  uint32_t size = 0;
  EXPECT_EQ(Lzma_Compress(source, {}, size), kCodecBufferTooSmall);
  std::vector<uint8_t> out(size);
  EXPECT_EQ(Lzma_Compress(source, out, size), kCodecSuccess);
  EXPECT_LE(size, out.size());
  out.resize(size);
  return out;
}

std::vector<uint8_t> Decompress(std::span<const uint8_t> payload, CodecStatus expected) {
  std::vector<uint8_t> out(Lzma_GetDecodedSize(payload));
  EXPECT_EQ(Lzma_Decompress(payload, out), expected);
  return out;
}

TEST(LzmaSection, HeaderCarriesFixedPropertiesAndSize) {
  const auto source = test::MixedCorpus(5000, 1);
  const auto payload = Compress(source);
  const std::vector<uint8_t> properties(payload.begin(), payload.begin() + 5);
  EXPECT_EQ(properties, (std::vector<uint8_t>{0x5D, 0x00, 0x00, 0x80, 0x00}));
  EXPECT_EQ(Lzma_GetDecodedSize(payload), 5000u);
  for (int i = 9; i < 13; ++i) EXPECT_EQ(payload[i], 0) << "size byte " << i;
}

TEST(LzmaSection, SizeEstimateProtocol) {
  // Callers size the output from the estimate n + n/3 + 128 before the real call.
  EXPECT_EQ(Lzma_CompressBound(0), 128u);
  EXPECT_EQ(Lzma_CompressBound(3000), 4128u);
  EXPECT_EQ(Lzma_CompressBound(0xFFFFFFFFu), uint32_t(0xFFFFFFFFull + 0x55555555 + 128));

  const auto source = test::RandomBytes(3000, 2);
  std::vector<uint8_t> out(Lzma_CompressBound(3000) - 1, 0xA5);
  uint32_t size = uint32_t(out.size());
  EXPECT_EQ(Lzma_Compress(source, out, size), kCodecBufferTooSmall);
  EXPECT_EQ(size, 4128u);
  for (uint8_t b : out) ASSERT_EQ(b, 0xA5) << "nothing may be written when the estimate fails";
}

TEST(LzmaSection, EmptySourceRoundTrips) {
  const auto payload = Compress({});
  EXPECT_GE(payload.size(), 18u) << "13-byte header plus the range coder's 5 start bytes";
  EXPECT_EQ(Lzma_GetDecodedSize(payload), 0u);
  std::vector<uint8_t> out;
  EXPECT_EQ(Lzma_Decompress(payload, out), kCodecSuccess);
}

TEST(LzmaSection, RoundTripsVariedContent) {
  for (size_t size : {1u, 2u, 255u, 4096u, 70000u, 1u << 20}) {
    for (int kind = 0; kind < 3; ++kind) {
      SCOPED_TRACE(std::to_string(size) + " bytes, kind " + std::to_string(kind));
      const auto source = kind == 0   ? test::RandomBytes(size, size)
                          : kind == 1 ? test::MixedCorpus(size, size)
                                      : std::vector<uint8_t>(size, 0);
      const auto payload = Compress(source);
      EXPECT_EQ(Decompress(payload, kCodecSuccess), source);
    }
  }
}

TEST(LzmaSection, RejectsShortOrDamagedPayloads) {
  const auto source = test::MixedCorpus(20000, 3);
  const auto payload = Compress(source);

  // Declared size larger than what the stream holds: input runs out.
  auto bigger = payload;
  bigger[5] += 1;
  Decompress(bigger, kCodecInvalid);

  // Cut inside the stream.
  std::vector<uint8_t> cut(payload.begin(), payload.begin() + payload.size() / 2);
  Decompress(cut, kCodecInvalid);

  // 13 to 17 bytes: too short for the range coder's first five bytes.
  for (size_t n = 13; n <= 17; ++n) {
    std::vector<uint8_t> tiny(payload.begin(), payload.begin() + n);
    tiny[5] = 0;  // even a zero-size stream needs its five start bytes
    std::vector<uint8_t> out;
    EXPECT_EQ(Lzma_Decompress(tiny, out), kCodecInvalid) << n << " bytes";
  }

  // Below the 13-byte header: refused, nothing read past the span.
  std::vector<uint8_t> header_only(payload.begin(), payload.begin() + 12);
  EXPECT_EQ(Lzma_GetDecodedSize(header_only), 0u);
  std::vector<uint8_t> out(64);
  EXPECT_EQ(Lzma_Decompress(header_only, out), kCodecInvalid);

  // Properties no LZMA1 decoder accepts.
  auto bad_properties = payload;
  bad_properties[0] = 225;
  Decompress(bad_properties, kCodecInvalid);
}

TEST(LzmaSection, DestinationShorterThanDeclaredIsRefused) {
  const auto source = test::MixedCorpus(4000, 4);
  const auto payload = Compress(source);
  std::vector<uint8_t> out(3999);
  EXPECT_EQ(Lzma_Decompress(payload, out), kCodecInvalid);
}

TEST(LzmaSection, TrailingBytesAfterFinishedStreamAreIgnored) {
  const auto source = test::MixedCorpus(3000, 5);
  auto payload = Compress(source);
  payload.insert(payload.end(), 32, 0xEE);
  EXPECT_EQ(Decompress(payload, kCodecSuccess), source);
}

TEST(LzmaSection, HugeDeclaredDictionaryDoesNotExhaustMemory) {
  // A hostile header may declare a 4 GiB dictionary; decoding a small output must not try to
  // allocate it.
  const auto source = test::MixedCorpus(3000, 6);
  auto payload = Compress(source);
  payload[1] = payload[2] = payload[3] = payload[4] = 0xFF;
  EXPECT_EQ(Decompress(payload, kCodecSuccess), source);
}

}  // namespace
}  // namespace kalvire::codec
