// Encoder of the Tiano/EFI stream: known streams, the measure-then-fill protocol, the bound on
// every write, round trips through the decoder in both versions, block splitting, and the real
// images' compressed sections, which this encoder must reproduce byte for byte.
#include <gtest/gtest.h>

#include <sys/mman.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "codec/tiano.h"
#include "support/test_data.h"

namespace kalvire::codec {
namespace {

using kalvire::test::ReadTextFile;

using Bytes = std::vector<uint8_t>;
constexpr uint32_t kVersions[] = {1, 2};
constexpr size_t kHeaderSize = 8;

Bytes Compress(const Bytes& source, uint32_t version) {
  uint32_t size = 0;
  EXPECT_EQ(Tiano_Compress(source, {}, size, version), kCodecBufferTooSmall);
  Bytes out(size);
  uint32_t filled = size;
  EXPECT_EQ(Tiano_Compress(source, out, filled, version), kCodecSuccess);
  EXPECT_EQ(filled, size);
  return out;
}

Bytes Decompress(const Bytes& stream, uint32_t version, size_t size) {
  Bytes out(size);
  Bytes scratch(kTianoScratchSize);
  EXPECT_EQ(Tiano_Decompress(stream, out, scratch, version), kCodecSuccess);
  return out;
}

uint32_t HeaderField(const Bytes& stream, size_t offset) {
  return uint32_t(stream[offset]) | uint32_t(stream[offset + 1]) << 8 |
         uint32_t(stream[offset + 2]) << 16 | uint32_t(stream[offset + 3]) << 24;
}

// The first field of the bit stream: the number of symbols in the first block.
uint32_t FirstBlockSymbols(const Bytes& stream) {
  return uint32_t(stream[kHeaderSize]) << 8 | stream[kHeaderSize + 1];
}

Bytes Text(size_t size) {
  static constexpr char kLine[] =
      "The quick brown fox jumps over the lazy dog; Setup Boot Option #%d is enabled.\n";
  Bytes out;
  for (int line = 0; out.size() < size; ++line) {
    char buffer[sizeof(kLine) + 16];
    const int n = std::snprintf(buffer, sizeof(buffer), kLine, line);
    out.insert(out.end(), buffer, buffer + n);
  }
  out.resize(size);
  return out;
}

// A linear de Bruijn sequence: no two-byte string repeats, so every symbol is a literal.
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

TEST(TianoCompress, KnownStreams) {
  const Bytes empty_stream = {0x08, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  const struct {
    Bytes source;
    uint32_t version;
    Bytes stream;
  } cases[] = {
      {{}, 1, empty_stream},
      {{}, 2, empty_stream},
      {{'a', 'b', 'c'},
       1,
       {0x0B, 0x00, 0x00, 0x00, 0x03, 0x00, 0x00, 0x00, 0x00, 0x03, 0x28, 0x08, 0x44, 0xC9, 0x13,
        0x58, 0x02, 0x60, 0x00}},
      {{'a', 'b', 'c'},
       2,
       {0x0B, 0x00, 0x00, 0x00, 0x03, 0x00, 0x00, 0x00, 0x00, 0x03, 0x28, 0x08, 0x44, 0xC9, 0x13,
        0x58, 0x00, 0x98, 0x00}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.source.size() << " bytes, version " << c.version);
    EXPECT_EQ(Compress(c.source, c.version), c.stream);
  }
}

TEST(TianoCompress, MeasureThenFillWritesExactlyTheMeasuredBytes) {
  for (const uint32_t version : kVersions) {
    for (const size_t size : {0u, 1u, 1000u, 70000u}) {
      SCOPED_TRACE(testing::Message() << size << " bytes, version " << version);
      const Bytes source = test::MixedCorpus(size, size + version);
      uint32_t needed = 0;
      ASSERT_EQ(Tiano_Compress(source, {}, needed, version), kCodecBufferTooSmall);
      // A larger destination: the same bytes, the same size, nothing written after them.
      Bytes roomy(needed + 64, 0xA5);
      uint32_t filled = 0;
      ASSERT_EQ(Tiano_Compress(source, roomy, filled, version), kCodecSuccess);
      EXPECT_EQ(filled, needed);
      EXPECT_EQ(Bytes(roomy.begin() + needed, roomy.end()), Bytes(64, 0xA5));
      EXPECT_EQ(HeaderField(roomy, 0), needed - kHeaderSize);
      EXPECT_EQ(HeaderField(roomy, 4), size);
      EXPECT_EQ(roomy[needed - 1], 0) << "the stream ends with a zero byte";
      EXPECT_EQ(Bytes(roomy.begin(), roomy.begin() + needed), Compress(source, version));
    }
  }
}

TEST(TianoCompress, ShortDestinationGetsThePrefixAndTheNeededSize) {
  const Bytes source = Text(5000);
  for (const uint32_t version : kVersions) {
    const Bytes full = Compress(source, version);
    for (const size_t room : {full.size() - 1, full.size() - 2, size_t(9), size_t(8), size_t(3)}) {
      SCOPED_TRACE(testing::Message() << "room " << room << ", version " << version);
      Bytes buffer(room + 16, 0x5A);
      uint32_t size = 0;
      EXPECT_EQ(Tiano_Compress(source, std::span(buffer).first(room), size, version),
                kCodecBufferTooSmall);
      EXPECT_EQ(size, full.size());
      EXPECT_EQ(Bytes(buffer.begin(), buffer.begin() + room),
                Bytes(full.begin(), full.begin() + room));
      EXPECT_EQ(Bytes(buffer.begin() + room, buffer.end()), Bytes(16, 0x5A)) << "canary";
    }
  }
}

TEST(TianoCompress, RefusesOtherVersionsAndSizesBeyond32Bits) {
  const Bytes source = Text(100);
  for (const uint32_t version : {0u, 3u, 0xFFFFFFFFu}) {
    SCOPED_TRACE(version);
    Bytes destination(512, 0x77);
    uint32_t size = 1234;
    EXPECT_EQ(Tiano_Compress(source, destination, size, version), kCodecInvalid);
    EXPECT_EQ(size, 1234u);
    EXPECT_EQ(destination, Bytes(512, 0x77));
  }
  // 4 GiB + 1 of address space, never touched: the size alone is refused.
  const size_t huge = (size_t(1) << 32) + 1;
  void* reserved =
      mmap(nullptr, huge, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
  if (reserved == MAP_FAILED) GTEST_SKIP() << "cannot reserve 4 GiB of address space";
  uint32_t size = 1234;
  EXPECT_EQ(Tiano_Compress(std::span(static_cast<const uint8_t*>(reserved), huge), {}, size, 1),
            kCodecInvalid);
  EXPECT_EQ(size, 1234u);
  munmap(reserved, huge);
}

TEST(TianoCompress, RoundTripsThroughTheDecoder) {
  const size_t sizes[] = {0, 1, 2, 3, 255, 256, 257, 8191, 8192, 8193, 8448, 16 * 1024, 100 * 1024};
  const struct {
    const char* name;
    Bytes (*make)(size_t size);
  } contents[] = {
      {"random", [](size_t size) { return test::RandomBytes(size, size); }},
      {"mixed", [](size_t size) { return test::MixedCorpus(size, size); }},
      {"zero", [](size_t size) { return Bytes(size, 0); }},
      {"text", [](size_t size) { return Text(size); }},
  };
  for (const auto& content : contents) {
    for (const size_t size : sizes) {
      const Bytes source = content.make(size);
      for (const uint32_t version : kVersions) {
        SCOPED_TRACE(testing::Message()
                     << content.name << " " << size << " bytes, version " << version);
        const Bytes stream = Compress(source, version);
        ASSERT_EQ(Decompress(stream, version, size), source);
      }
    }
  }
}

TEST(TianoCompress, EqualBytesBecomeALiteralAndLongMatches) {
  const Bytes source(300, 0x41);
  for (const uint32_t version : kVersions) {
    SCOPED_TRACE(version);
    const Bytes stream = Compress(source, version);
    // One literal and two matches (256 and 43 bytes).
    EXPECT_EQ(FirstBlockSymbols(stream), 3u);
    EXPECT_EQ(Decompress(stream, version, source.size()), source);
  }
}

TEST(TianoCompress, LargeInputIsSentInSeveralBlocks) {
  const Bytes source = test::MixedCorpus(1024 * 1024, 42);
  for (const uint32_t version : kVersions) {
    SCOPED_TRACE(version);
    const Bytes stream = Compress(source, version);
    // A full symbol buffer holds at most 14544 symbols; this input needs far more.
    EXPECT_GT(FirstBlockSymbols(stream), 1000u);
    EXPECT_LE(FirstBlockSymbols(stream), 14544u);
    EXPECT_LT(stream.size(), source.size() / 2);
    EXPECT_EQ(Decompress(stream, version, source.size()), source);
  }
}

TEST(TianoCompress, BlockIsSentWhenTheSymbolBufferFills) {
  // Only literals: groups of a flag byte and eight literals; the block goes once a new flag
  // byte would start at or after 16384 - 24, after 1818 groups.
  const Bytes source = AllPairsOnce();
  for (const uint32_t version : kVersions) {
    SCOPED_TRACE(version);
    const Bytes stream = Compress(source, version);
    EXPECT_EQ(FirstBlockSymbols(stream), 1818u * 8);
    EXPECT_EQ(Decompress(stream, version, source.size()), source);
  }
}

TEST(TianoCompress, VersionsDifferOnlyInThePositionCountWidth) {
  for (const size_t size : {size_t(3), size_t(5000), size_t(300000)}) {
    SCOPED_TRACE(size);
    const Bytes source = test::MixedCorpus(size, 9);
    const Bytes v1 = Compress(source, 1);
    const Bytes v2 = Compress(source, 2);
    EXPECT_EQ(Decompress(v1, 1, size), source);
    EXPECT_EQ(Decompress(v2, 2, size), source);
    // One or two more bits per block. A full block's buffer holds at least 16360 bytes, at
    // most 9 for every 8 input bytes, so it covers more than 14500 input bytes.
    const size_t max_blocks = size / 14500 + 1;
    EXPECT_GE(v2.size(), v1.size());
    EXPECT_LE(v2.size() - v1.size(), (2 * max_blocks + 7) / 8);
    // The streams agree up to the first position-set count field.
    EXPECT_EQ(HeaderField(v1, 4), HeaderField(v2, 4));
    EXPECT_EQ(v1[kHeaderSize], v2[kHeaderSize]);
    EXPECT_EQ(v1[kHeaderSize + 1], v2[kHeaderSize + 1]);
  }
}

TEST(TianoCompress, ConcurrentCallsDoNotInterfere) {
  const Bytes a = test::MixedCorpus(200000, 1);
  const Bytes b = Text(150000);
  const Bytes expected_a = Compress(a, 1);
  const Bytes expected_b = Compress(b, 2);
  Bytes got_a;
  Bytes got_b;
  std::thread first([&] { got_a = Compress(a, 1); });
  std::thread second([&] { got_b = Compress(b, 2); });
  first.join();
  second.join();
  EXPECT_EQ(got_a, expected_a);
  EXPECT_EQ(got_b, expected_b);
}

// --- Real images: every Tiano/EFI section, decoded and encoded again ---

struct StoredStream {
  std::filesystem::path dir;
  Bytes stream;
  uint32_t version;
};

// Dumps every tree item of the image with UEFIExtract and collects the compressed sections'
// streams with the version that UEFIExtract names.
std::vector<StoredStream> StoredTianoStreams(const std::filesystem::path& image,
                                             const std::filesystem::path& work) {
  std::filesystem::remove_all(work);
  std::filesystem::create_directories(work);
  std::filesystem::copy_file(image, work / image.filename());
  const std::string command = "cd '" + work.string() + "' && UEFIExtract '" +
                              image.filename().string() + "' all >/dev/null 2>&1";
  EXPECT_EQ(std::system(command.c_str()), 0);
  std::vector<StoredStream> found;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(work)) {
    if (entry.path().filename() != "info.txt") continue;
    const std::string info = "\n" + ReadTextFile(entry.path());
    if (info.find("\nSubtype: Compressed\n") == std::string::npos) continue;
    uint32_t version = 0;
    if (info.find("\nCompression algorithm: EFI 1.1\n") != std::string::npos) version = 1;
    if (info.find("\nCompression algorithm: Tiano\n") != std::string::npos) version = 2;
    if (version == 0) continue;
    const auto dir = entry.path().parent_path();
    found.push_back({dir, test::ReadFileOrFail(dir / "body.bin"), version});
  }
  return found;
}

TEST(TianoCompressRealImages, StoredSectionsAreReproducedByteForByte) {
  const auto images = test::SharedImagesDir();
  if (!images) GTEST_SKIP() << "shared images folder ../shared/images is absent";
  if (std::system("command -v UEFIExtract >/dev/null 2>&1") != 0) {
    GTEST_SKIP() << "UEFIExtract (Debian uefitool-cli) is not on PATH";
  }
  const struct {
    const char* file;
    size_t count;
  } images_to_check[] = {{"p7xxdm-full-flash.rom", 3}, {"h61-bios-region.bin", 5}};
  for (const auto& image : images_to_check) {
    SCOPED_TRACE(image.file);
    const auto work =
        std::filesystem::temp_directory_path() / ("kalvire-tiano-enc-" + std::to_string(getpid()));
    const std::vector<StoredStream> stored = StoredTianoStreams(*images / image.file, work);
    EXPECT_EQ(stored.size(), image.count);
    for (const StoredStream& section : stored) {
      SCOPED_TRACE(section.dir.string());
      ASSERT_GE(section.stream.size(), kHeaderSize);
      const uint32_t size = HeaderField(section.stream, 4);
      const Bytes plain = Decompress(section.stream, section.version, size);
      const Bytes again = Compress(plain, section.version);
      // Version-2 streams may come from an encoder with a window larger than 8 KiB; below
      // that size its choices are ours.
      if (section.version == 1 || size <= 8192) {
        EXPECT_EQ(again, section.stream);
      } else {
        EXPECT_EQ(Decompress(again, section.version, size), plain);
      }
    }
    std::filesystem::remove_all(work);
  }
}

}  // namespace
}  // namespace kalvire::codec
