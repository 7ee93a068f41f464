// Payload of LZMA sections: fixed header, the size-estimate protocol, round trips and the
// damaged payloads the decoder refuses.
#include "codec/lzma_section.h"

#include <gtest/gtest.h>

#include <functional>

#include "support/test_data.h"

namespace kalvire::codec {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes Compress(const Bytes& source) {
  uint32_t size = 0;
  EXPECT_EQ(Lzma_Compress(source, {}, size), kCodecBufferTooSmall);
  Bytes out(size);
  EXPECT_EQ(Lzma_Compress(source, out, size), kCodecSuccess);
  EXPECT_LE(size, out.size());
  out.resize(size);
  return out;
}

TEST(LzmaSection, HeaderAndSizeEstimate) {
  const Bytes payload = Compress(test::MixedCorpus(5000, 1));
  EXPECT_EQ(Bytes(payload.begin(), payload.begin() + 13),
            (Bytes{0x5D, 0x00, 0x00, 0x80, 0x00, 0x88, 0x13, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(Lzma_GetDecodedSize(payload), 5000u);
  EXPECT_EQ(Lzma_GetDecodedSize(Bytes(payload.begin(), payload.begin() + 12)), 0u);
  // Callers size the output from the estimate n + n/3 + 128 before the real call.
  EXPECT_EQ(Lzma_CompressBound(3000), 4128u);
  EXPECT_EQ(Lzma_CompressBound(0xFFFFFFFFu), uint32_t(0xFFFFFFFFull + 0x55555555 + 128));
  Bytes out(Lzma_CompressBound(3000) - 1, 0xA5);
  uint32_t size = uint32_t(out.size());
  EXPECT_EQ(Lzma_Compress(test::RandomBytes(3000, 2), out, size), kCodecBufferTooSmall);
  EXPECT_EQ(size, 4128u);
  EXPECT_EQ(out, Bytes(out.size(), 0xA5)) << "nothing is written when the estimate fails";
}

TEST(LzmaSection, RoundTripsVariedContent) {
  for (size_t size : {0u, 1u, 2u, 255u, 4096u, 70000u, 1u << 20}) {
    const Bytes sources[] = {test::RandomBytes(size, size), test::MixedCorpus(size, size),
                             Bytes(size, 0)};
    for (const Bytes& source : sources) {
      SCOPED_TRACE(testing::Message() << size << " bytes, kind " << &source - sources);
      const Bytes payload = Compress(source);
      Bytes out(Lzma_GetDecodedSize(payload));
      EXPECT_EQ(Lzma_Decompress(payload, out), kCodecSuccess);
      EXPECT_EQ(out, source);
    }
  }
}

TEST(LzmaSection, DamagedPayloads) {
  const Bytes source = test::MixedCorpus(20000, 3);
  const Bytes good = Compress(source);
  const struct {
    const char* name;
    std::function<void(Bytes&)> damage;
    size_t destination;  // bytes of the destination
    CodecStatus status;
  } cases[] = {
      {"declared size larger than the stream", [](Bytes& p) { ++p[5]; }, 20001, kCodecInvalid},
      {"cut inside the stream", [](Bytes& p) { p.resize(p.size() / 2); }, 20000, kCodecInvalid},
      {"below the 13-byte header", [](Bytes& p) { p.resize(12); }, 64, kCodecInvalid},
      {"properties no decoder accepts", [](Bytes& p) { p[0] = 225; }, 20000, kCodecInvalid},
      {"destination shorter than declared", [](Bytes&) {}, 19999, kCodecInvalid},
      {"trailing bytes after the stream", [](Bytes& p) { p.resize(p.size() + 32, 0xEE); }, 20000,
       kCodecSuccess},
      // A hostile 4 GiB dictionary must not be allocated for a small output.
      {"huge declared dictionary", [](Bytes& p) { std::fill(p.begin() + 1, p.begin() + 5, 0xFF); },
       20000, kCodecSuccess},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Bytes payload = good;
    c.damage(payload);
    Bytes out(c.destination);
    EXPECT_EQ(Lzma_Decompress(payload, out), c.status);
    if (c.status == kCodecSuccess) {
      EXPECT_EQ(out, source);
    }
  }
  // A dictionary shorter than the output bounds the distances exactly as declared.
  const Bytes half = test::RandomBytes(6000, 4);
  Bytes twice = half;
  twice.insert(twice.end(), half.begin(), half.end());
  Bytes far = Compress(twice);
  for (const auto& [dictionary, status] :
       {std::pair{5984u, kCodecInvalid}, {6000u, kCodecSuccess}}) {
    SCOPED_TRACE(dictionary);
    std::copy_n(Bytes{uint8_t(dictionary), uint8_t(dictionary >> 8), 0, 0}.begin(), 4,
                far.begin() + 1);
    Bytes decoded(twice.size());
    EXPECT_EQ(Lzma_Decompress(far, decoded), status);
  }
  // Even a zero-size stream needs the range coder's five start bytes after the 13-byte header.
  Bytes tiny(good.begin(), good.begin() + 17);
  std::fill(tiny.begin() + 5, tiny.begin() + 13, 0);
  Bytes out;
  EXPECT_EQ(Lzma_Decompress(tiny, out), kCodecInvalid);
}

}  // namespace
}  // namespace kalvire::codec
