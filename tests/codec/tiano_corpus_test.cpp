// The Tiano/EFI encoder on real code: every PE32 module of Debian's OVMF image compressed in
// both versions gives the bytes it always gave, and decodes back to the module.
#include <gtest/gtest.h>

#include <vector>

#include "bench/corpus.h"
#include "codec/tiano.h"
#include "util/sha256.h"

namespace kalvire::codec {
namespace {

using Bytes = std::vector<uint8_t>;

// One compression into a destination of the measured size, as a caller does.
Bytes Compress(const Bytes& source, uint32_t version) {
  uint32_t size = 0;
  EXPECT_EQ(Tiano_Compress(source, {}, size, version), kCodecBufferTooSmall);
  Bytes out(size);
  EXPECT_EQ(Tiano_Compress(source, out, size, version), kCodecSuccess);
  return out;
}

TEST(TianoCorpus, OvmfModulesEncodeToTheirRecordedBytes) {
  const auto& modules = bench::OvmfPeModules();
  if (modules.empty()) {
    GTEST_SKIP() << "/usr/share/ovmf/OVMF.fd is absent (Debian package ovmf)";
  }
  ASSERT_EQ(modules.size(), 127u) << "another OVMF.fd than the one the digests were taken on";
  const struct {
    uint32_t version;
    const char* digest;
  } expected[] = {
      {1, "d27dbbbe2cca4e0fe70172d9f668b98b53a24030b964e725c80728d977c2d4e9"},
      {2, "6debd2848ee7628b0189b126526efd2422ceec90539c98dad6cecf6eaadbf261"},
  };
  Bytes scratch(kTianoScratchSize);
  for (const auto& [version, digest] : expected) {
    SCOPED_TRACE(testing::Message() << "version " << version);
    Bytes streams;
    for (size_t i = 0; i < modules.size(); ++i) {
      const Bytes stream = Compress(modules[i], version);
      Bytes decoded(modules[i].size());
      ASSERT_EQ(Tiano_Decompress(stream, decoded, scratch, version), kCodecSuccess) << i;
      ASSERT_EQ(decoded, modules[i]) << "module " << i;
      streams.insert(streams.end(), stream.begin(), stream.end());
    }
    EXPECT_EQ(util::Sha256Hex(streams), digest);
  }
}

}  // namespace
}  // namespace kalvire::codec
