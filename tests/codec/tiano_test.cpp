// Tiano/EFI streams: known ones, measure-then-fill, round trips, refusals, hand-built streams,
// and every compressed section of the real images against UEFIExtract.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "codec/tiano.h"
#include "support/test_data.h"
#include "tools/raw_image.h"

namespace kalvire::codec {
namespace {

using Bytes = std::vector<uint8_t>;
constexpr uint32_t kVersions[] = {1, 2};
const Bytes kAbc = {'a', 'b', 'c'};
const Bytes kAbcV1 = {0x0B, 0x00, 0x00, 0x00, 0x03, 0x00, 0x00, 0x00, 0x00, 0x03,
                      0x28, 0x08, 0x44, 0xC9, 0x13, 0x58, 0x02, 0x60, 0x00};
const Bytes kAbcV2 = {0x0B, 0x00, 0x00, 0x00, 0x03, 0x00, 0x00, 0x00, 0x00, 0x03,
                      0x28, 0x08, 0x44, 0xC9, 0x13, 0x58, 0x00, 0x98, 0x00};

Bytes Compress(const Bytes& source, uint32_t version) {
  uint32_t size = 0;
  EXPECT_EQ(Tiano_Compress(source, {}, size, version), kCodecBufferTooSmall);
  Bytes out(size);
  uint32_t filled = size;
  EXPECT_EQ(Tiano_Compress(source, out, filled, version), kCodecSuccess);
  EXPECT_EQ(filled, size);
  return out;
}

struct Decoded {
  CodecStatus status;
  Bytes output;
};

// Decodes into a destination of the header's size with a canary on either side of it.
Decoded Decode(const Bytes& source, uint32_t version) {
  uint32_t size = 0, scratch_size = 0;
  if (Tiano_GetInfo(source, size, scratch_size) != kCodecSuccess) return {kCodecInvalid, {}};
  Bytes buffer(size + 64, 0xCC);
  Bytes scratch(scratch_size);
  const std::span<uint8_t> destination(buffer.data() + 32, size);
  const CodecStatus status = Tiano_Decompress(source, destination, scratch, version);
  EXPECT_EQ(Bytes(buffer.begin(), buffer.begin() + 32), Bytes(32, 0xCC)) << "canary before";
  EXPECT_EQ(Bytes(buffer.end() - 32, buffer.end()), Bytes(32, 0xCC)) << "canary after";
  return {status, Bytes(destination.begin(), destination.end())};
}

constexpr uint64_t kFnvBasis = 14695981039346656037ull;
uint64_t Fnv(uint64_t hash, const Bytes& bytes) {
  for (const uint8_t b : bytes) hash = (hash ^ b) * 1099511628211ull;
  return hash;
}

// A linear de Bruijn sequence: no two-byte string repeats, so every symbol is a literal.
Bytes AllPairsOnce() {
  Bytes out;
  for (int a = 0; a < 256; ++a) {
    out.push_back(uint8_t(a));
    for (int b = a + 1; b < 256; ++b) out.insert(out.end(), {uint8_t(a), uint8_t(b)});
  }
  out.push_back(0);
  return out;
}

TEST(Tiano, KnownStreams) {
  const Bytes empty = {0x08, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  for (const auto& [stream, version] : {std::pair{kAbcV1, 1u}, std::pair{kAbcV2, 2u}}) {
    SCOPED_TRACE(version);
    EXPECT_EQ(Compress({}, version), empty);
    EXPECT_EQ(Compress(kAbc, version), stream);
    EXPECT_EQ(Decode(stream, version).status, kCodecSuccess);
    EXPECT_EQ(Decode(stream, version).output, kAbc);
    // Callers try version 2 first, so the other version decodes too, to other bytes.
    const Decoded other = Decode(stream, 3 - version);
    EXPECT_EQ(other.status, kCodecSuccess);
    EXPECT_NE(other.output, kAbc);
  }
  Bytes output(3), scratch(kTianoScratchSize);
  EXPECT_EQ(Efi_Decompress(kAbcV1, output, scratch), kCodecSuccess);
  EXPECT_EQ(output, kAbc);
}

TEST(TianoCompress, MeasureThenFillWritesExactlyTheMeasuredBytes) {
  for (const uint32_t version : kVersions) {
    for (const size_t size : {0u, 1u, 1000u, 70000u}) {
      SCOPED_TRACE(testing::Message() << size << " bytes, version " << version);
      const Bytes source = test::MixedCorpus(size, size + version);
      const Bytes full = Compress(source, version);
      // A short destination gets the prefix and the needed size, nothing after it.
      for (const size_t room :
           {full.size() - 1, full.size() - 2, size_t(9), size_t(8), size_t(3)}) {
        SCOPED_TRACE(testing::Message() << "room " << room);
        Bytes buffer(room + 16, 0x5A);
        uint32_t needed = 0;
        EXPECT_EQ(Tiano_Compress(source, std::span(buffer).first(room), needed, version),
                  kCodecBufferTooSmall);
        EXPECT_EQ(needed, full.size());
        Bytes expected(full.begin(), full.begin() + room);
        expected.resize(room + 16, 0x5A);  // the canary after the room
        EXPECT_EQ(buffer, expected);
      }
    }
  }
}

// One call into a destination that surely holds the stream: the encoder itself, never a kept
// stream.
Bytes CompressOnce(const Bytes& source, uint32_t version) {
  Bytes out(2 * source.size() + 4096);
  uint32_t size = 0;
  EXPECT_EQ(Tiano_Compress(source, out, size, version), kCodecSuccess);
  out.resize(size);
  return out;
}

// The stream a size query made is handed to the compression after it only when that is of the
// very same bytes and version.
TEST(TianoCompress, FillAfterAQueryGivesTheStreamOfTheBytesFilled) {
  const Bytes source = test::MixedCorpus(70000, 7);
  Bytes changed = source;
  changed[50000] ^= 1;
  const struct {
    const char* name;
    uint32_t query_version;
    const Bytes* queried;
    uint32_t fill_version;
    const Bytes* filled;
  } cases[] = {
      {"same bytes", 1, &source, 1, &source},
      {"same bytes, version 2", 2, &source, 2, &source},
      {"one byte changed between the calls", 2, &source, 2, &changed},
      {"other version", 1, &source, 2, &source},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const Bytes expected = CompressOnce(*c.filled, c.fill_version);
    const Bytes queried = CompressOnce(*c.queried, c.query_version);
    // Asking twice gives the same answer.
    for (int ask = 0; ask < 2; ++ask) {
      uint32_t size = 0;
      ASSERT_EQ(Tiano_Compress(*c.queried, {}, size, c.query_version), kCodecBufferTooSmall);
      EXPECT_EQ(size, queried.size());
    }
    Bytes out(expected.size() + 8, 0x5A);
    uint32_t filled = 0;
    ASSERT_EQ(Tiano_Compress(*c.filled, out, filled, c.fill_version), kCodecSuccess);
    EXPECT_EQ(filled, expected.size());
    Bytes want = expected;
    want.resize(out.size(), 0x5A);
    EXPECT_EQ(out, want);
  }
}

TEST(TianoCompress, RefusesOtherVersions) {
  const Bytes source = test::MixedCorpus(100, 1);
  for (const uint32_t version : {0u, 3u, 0xFFFFFFFFu}) {
    Bytes destination(512, 0x77);
    uint32_t size = 1234;
    EXPECT_EQ(Tiano_Compress(source, destination, size, version), kCodecInvalid);
    EXPECT_EQ(std::pair(size, destination), std::pair(1234u, Bytes(512, 0x77))) << version;
  }
}

// Round trips in both versions, and the streams themselves: the encoder must reproduce stored
// sections byte for byte, so its every choice (matches, block ends, codes) is pinned.
TEST(TianoCompress, RoundTripsAndKeepsItsStreams) {
  // Equal bytes: a literal and matches of 256 and 43 bytes; only literals: a block ends after
  // 1818 groups of a flag byte and eight literals; 1 MiB: several blocks.
  std::vector<Bytes> sources = {Bytes(300, 0x41), AllPairsOnce(), test::MixedCorpus(1 << 20, 42)};
  for (const size_t size : {0, 1, 2, 3, 255, 256, 257, 8191, 8192, 8193, 8448, 16384, 102400}) {
    sources.push_back(test::RandomBytes(size, size));
    sources.push_back(test::MixedCorpus(size, size));
    sources.push_back(Bytes(size, 0));
  }
  const uint64_t expected[] = {0x0a19969d1ed8dcf5, 0xfa1f84e47848b89f};
  for (const uint32_t version : kVersions) {
    uint64_t fingerprint = kFnvBasis;
    for (size_t i = 0; i < sources.size(); ++i) {
      SCOPED_TRACE(testing::Message() << "source " << i << ", version " << version);
      const Bytes stream = Compress(sources[i], version);
      ASSERT_EQ(Decode(stream, version).output, sources[i]);
      fingerprint = Fnv(fingerprint, stream);
    }
    EXPECT_EQ(fingerprint, expected[version - 1]) << std::hex << fingerprint;
  }
}

// Damaged inputs and calls refused before any decoding: nothing is written.
TEST(TianoDecompress, RefusesDamagedHeadersAndBuffers) {
  // The header alone gives the size; the scratch size is reported always.
  uint32_t size = 77, scratch_size = 0;
  EXPECT_EQ(Tiano_GetInfo(Bytes(7), size, scratch_size), kCodecInvalid);
  EXPECT_EQ(std::pair(size, scratch_size), std::pair(77u, 13368u));
  // The compressed size is not looked at, even when the source is far too short for it.
  scratch_size = 0;
  EXPECT_EQ(Tiano_GetInfo(Bytes{0xFF, 0xFF, 0xFF, 0xFF, 0x34, 0x12, 0, 0}, size, scratch_size),
            kCodecSuccess);
  EXPECT_EQ(std::pair(size, scratch_size), std::pair(0x1234u, 13368u));
  Bytes wrapping = kAbcV2;
  std::fill(wrapping.begin(), wrapping.begin() + 4, 0xFF);
  const Bytes size_zero = {0xFF, 0xFF, 0xFF, 0x7F, 0, 0, 0, 0};
  const struct {
    const char* name;
    Bytes source;
    size_t destination, scratch;
    uint32_t version;
    CodecStatus status;
  } cases[] = {
      {"7-byte source", Bytes(7), 3, kTianoScratchSize, 2, kCodecInvalid},
      {"destination one byte larger", kAbcV2, 4, kTianoScratchSize, 2, kCodecInvalid},
      {"destination one byte smaller", kAbcV2, 2, kTianoScratchSize, 2, kCodecInvalid},
      {"version 3", kAbcV2, 3, kTianoScratchSize, 3, kCodecInvalid},
      {"version 0", kAbcV1, 3, kTianoScratchSize, 0, kCodecInvalid},
      {"source one byte short", Bytes(kAbcV2.begin(), kAbcV2.end() - 1), 3, kTianoScratchSize, 2,
       kCodecInvalid},
      {"compressed size wrapping a 32-bit sum", wrapping, 3, kTianoScratchSize, 2, kCodecInvalid},
      {"scratch one byte short", kAbcV2, 3, kTianoScratchSize - 1, 2, kCodecInvalid},
      // Size 0 succeeds at once: the compressed size and the buffers are not looked at.
      {"size 0, no destination", size_zero, 0, kTianoScratchSize, 7, kCodecSuccess},
      {"size 0, destination 1", size_zero, 1, kTianoScratchSize, 7, kCodecSuccess},
      {"size 0, destination 100", size_zero, 100, 0, 7, kCodecSuccess},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Bytes destination(c.destination, 0xA5);
    Bytes scratch(c.scratch, 0x5A);
    EXPECT_EQ(Tiano_Decompress(c.source, destination, scratch, c.version), c.status);
    EXPECT_EQ(destination, Bytes(c.destination, 0xA5));
    if (c.status == kCodecSuccess) {
      EXPECT_EQ(scratch, Bytes(c.scratch, 0x5A));
    }
  }
  Bytes output(3), scratch(kTianoScratchSize + 1);
  EXPECT_EQ(Efi_Decompress(kAbcV1, output, std::span(scratch).first(kTianoScratchSize - 1)),
            kCodecInvalid);
  // Any alignment of the scratch works.
  EXPECT_EQ(Tiano_Decompress(kAbcV2, output, std::span(scratch).subspan(1), 2), kCodecSuccess);
  EXPECT_EQ(output, kAbc);
}

TEST(TianoDecompress, NeverReadsPastTheDeclaredCompressedSize) {
  Bytes garbage_after = kAbcV2;
  garbage_after.insert(garbage_after.end(), {0xFF, 0x13, 0x99, 0xFF});
  EXPECT_EQ(Decode(garbage_after, 2).status, kCodecSuccess);
  EXPECT_EQ(Decode(garbage_after, 2).output, kAbc);
  // A stream declared shorter than its bytes reads the rest as zero bits.
  for (uint32_t declared = 0; declared < 11; ++declared) {
    Bytes cut = kAbcV2, zeroed = kAbcV2;
    cut[0] = uint8_t(declared);
    for (size_t i = 8 + declared; i < cut.size(); ++i) cut[i] ^= 0xFF, zeroed[i] = 0;
    const Decoded from_cut = Decode(cut, 2), from_zeroed = Decode(zeroed, 2);
    EXPECT_EQ(std::tie(from_cut.status, from_cut.output),
              std::tie(from_zeroed.status, from_zeroed.output))
        << declared << " bytes declared";
  }
}

// Hand-built streams: (value, bit count) fields, most significant bit first.
using Bits = tools::raw::BitFields;
constexpr auto Stream = &tools::raw::TianoStream;
// A block whose three code sets each hold one symbol: its symbols take no bits at all.
Bits Block(uint16_t count, uint16_t char_symbol, uint16_t position = 0) {
  return {{count, 16}, {0, 5}, {0, 5}, {0, 9}, {char_symbol, 9}, {0, 5}, {position, 5}};
}
constexpr auto Match = [](int length) { return uint16_t(length + 253); };  // its char symbol
const Bits kBadHeader = {{1, 16}, {1, 5}, {1, 3}};  // half the extra code space left over

TEST(TianoDecompress, HandBuiltStreams) {
  struct Case {
    const char* name;
    uint32_t size;
    CodecStatus status;
    Bytes output;  // checked on success
    std::vector<Bits> parts;
  };
  const auto ok = [](const char* name, Bytes output, std::vector<Bits> parts) {
    return Case{name, uint32_t(output.size()), kCodecSuccess, output, parts};
  };
  const auto bad = [](const char* name, uint32_t size, std::vector<Bits> parts) {
    return Case{name, size, kCodecInvalid, {}, parts};
  };
  Bytes a65536_b(65536, 'A');
  a65536_b.push_back('B');
  const Case cases[] = {
      ok("empty bit stream: zero bits", Bytes(1000, 0), {}),
      ok("block size 0 is 65536 symbols", a65536_b, {Block(0, 'A'), Block(1, 'B')}),
      ok("literal and a longest match", Bytes(257, 'x'), {Block(1, 'x'), Block(1, Match(256))}),
      bad("offset 0 at output position 0", 10, {Block(1, Match(3))}),
      bad("source before the output start", 10, {Block(2, 'q'), Block(1, Match(3), 2), {{0, 1}}}),
      ok("match filling the output exactly", Bytes(4, 'q'), {Block(1, 'q'), Block(1, Match(3))}),
      bad("match running one byte past the end", 4, {Block(2, 'q'), Block(1, Match(3))}),
      // size - length wraps: the copy stops at the end of the output.
      ok("match longer than the whole output", Bytes(4, 'q'), {Block(1, 'q'), Block(1, Match(10))}),
      // Offset value 300 from position 1 wraps to just below 2^32 - 256.
      bad("far source of a match longer than the output", 4,
          {Block(1, 'q'), Block(1, Match(256), 9), {{300 - 256, 8}}}),
      ok("last match ends at the end", Bytes(300, 'x'),
         {Block(1, 'x'), Block(1, Match(256)), Block(1, Match(43))}),
      bad("last match longer than the room left", 260,
          {Block(1, 'x'), Block(1, Match(256)), Block(1, Match(256))}),
      // A match filling the output ends decoding; a literal is followed by one more symbol.
      ok("match fills the output, bad header after", Bytes(4, 'm'),
         {Block(1, 'm'), Block(1, Match(3)), kBadHeader}),
      bad("literal fills the output, bad header after", 2, {Block(2, 'l'), kBadHeader}),
      ok("literal fills the output, empty match after", Bytes(2, 'l'),
         {Block(2, 'l'), Block(1, Match(3))}),
      // Extra symbol 2 is a zero run of 20 + (9 bits): 531 goes past the 510 char lengths.
      ok("char lengths past the set are read, not stored", Bytes{0, 'Q'},
         {{{1, 16}, {0, 5}, {2, 5}, {1, 9}, {511, 9}, {0, 5}, {0, 5}}, Block(1, 'Q')}),
      // 511 lengths of 1 bit (extra symbol 3 is "1"): the 511th is dropped; symbols 0, 1 fit.
      ok("511 one-bit char lengths", Bytes{1, 0, 1, 1},
         {{{4, 16}, {4, 5}, {0, 3}, {0, 3}, {1, 3}, {0, 2}, {1, 3}, {511, 9}},
          Bits(511, {1, 1}),
          {{0, 5}, {0, 5}, {0b1011, 4}}}),
      bad("extra length above 16", 5, {{{5, 16}, {1, 5}, {0xFFFF, 16}, {0b11110, 5}}}),
      bad("extra code space left over", 5, {{{5, 16}, {1, 5}, {1, 3}}}),
      bad("three 1-bit extra codes", 5, {{{5, 16}, {3, 5}, {1, 3}, {1, 3}, {1, 3}, {0, 2}}}),
      // Four codes of 1 bit overfill the table's space past its end.
      bad("four 1-bit extra codes", 5, {{{5, 16}, {4, 5}, {1, 3}, {1, 3}, {1, 3}, {0, 2}, {1, 3}}}),
      // Block 1 codes 'a' as 0 and 'b' as 1; block 2 gives all char lengths 0, so its symbols
      // come from block 1's table and take no bits: the 1 bit after them is read three times.
      ok("all char lengths 0: the last table, no bits per symbol", Bytes{'a', 'b', 'b', 'b', 'b'},
         {{{2, 16}, {4, 5}, {0, 3}, {0, 3}, {1, 3}, {0, 2}, {1, 3}, {99, 9}, {0, 1}, {77, 9}},
          {{1, 1}, {1, 1}, {0, 5}, {0, 5}, {0b01, 2}},
          {{3, 16}, {0, 5}, {0, 5}, {2, 9}, {0, 5}, {0, 5}, {1, 1}}}),
      bad("position code space left over", 5,
          {{{5, 16}, {0, 5}, {0, 5}, {0, 9}, {'a', 9}, {1, 5}, {2, 3}}}),
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Decoded decoded = Decode(Stream(c.size, c.parts), 2);
    EXPECT_EQ(decoded.status, c.status);
    if (c.status == kCodecSuccess) {
      EXPECT_EQ(decoded.output, c.output);
    }
  }
}

// --- Real images: every Tiano/EFI compressed section against UEFIExtract's dump ---

// The hexadecimal value of an info.txt line such as "Offset: 18h", or -1.
long InfoHex(const std::string& info, const std::string& key) {
  const size_t at = info.find("\n" + key + ": ");
  return at == std::string::npos ? -1
                                 : std::strtol(info.c_str() + at + key.size() + 3, nullptr, 16);
}
std::string Info(const std::filesystem::path& dir) {
  return "\n" + test::ReadTextFile(dir / "info.txt");
}

// Each child section UEFIExtract found in the decoded data sits at its offset with the same
// bytes; between them only alignment padding is left.
void ExpectChildrenMatch(const std::filesystem::path& dir, const Bytes& decoded) {
  const long parent_header = InfoHex(Info(dir), "Header size");
  size_t covered = 0;
  for (const auto& child : std::filesystem::directory_iterator(dir)) {
    if (!child.is_directory()) continue;
    Bytes expected = test::ReadFileOrFail(child.path() / "header.bin");
    for (const uint8_t b : test::ReadFileOrFail(child.path() / "body.bin")) expected.push_back(b);
    const long offset = InfoHex(Info(child.path()), "Offset") - parent_header;
    ASSERT_GE(offset, 0);
    ASSERT_LE(size_t(offset) + expected.size(), decoded.size()) << child.path();
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), decoded.begin() + offset))
        << child.path();
    covered += expected.size();
  }
  EXPECT_GT(covered, 0u);
  EXPECT_LE(decoded.size() - covered, 16u * 8) << "more than alignment padding is unchecked";
}

TEST(TianoRealImages, EveryCompressedSectionDecodesAsUefiExtractAndEncodesAgain) {
  const auto images = test::SharedImagesDir();
  if (!images) GTEST_SKIP() << "shared images folder ../shared/images is absent";
  if (!test::HaveUefiExtract()) GTEST_SKIP() << "UEFIExtract (uefitool-cli) is not on PATH";
  const struct {
    const char* file;
    uint32_t version;  // 1 for "EFI 1.1", 2 for "Tiano"
    size_t count;
  } images_to_check[] = {{"p7xxdm-full-flash.rom", 1, 3}, {"h61-bios-region.bin", 2, 5}};
  for (const auto& image : images_to_check) {
    SCOPED_TRACE(image.file);
    const auto dump = std::filesystem::temp_directory_path() /
                      ("kalvire-tiano-" + std::to_string(getpid()) + "-" + image.file);
    std::filesystem::remove_all(dump);
    std::filesystem::create_directories(dump);
    std::filesystem::copy_file(*images / image.file, dump / image.file);
    const std::string command =
        "cd '" + dump.string() + "' && UEFIExtract '" + image.file + "' all >/dev/null 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0);
    size_t count = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(dump)) {
      if (entry.path().filename() != "info.txt") continue;
      const auto dir = entry.path().parent_path();
      const std::string info = Info(dir);
      if (info.find("\nSubtype: Compressed\n") == std::string::npos) continue;
      const bool efi = info.find("\nCompression algorithm: EFI 1.1\n") != std::string::npos;
      if (!efi && info.find("\nCompression algorithm: Tiano\n") == std::string::npos) continue;
      SCOPED_TRACE(dir.string());
      ++count;
      EXPECT_EQ(efi ? 1u : 2u, image.version);
      const Bytes stream = test::ReadFileOrFail(dir / "body.bin");
      // As the firmware walk does: version 2 first, then version 1.
      uint32_t version = 2;
      Decoded decoded = Decode(stream, version);
      if (decoded.status != kCodecSuccess) decoded = Decode(stream, version = 1);
      ASSERT_EQ(decoded.status, kCodecSuccess);
      EXPECT_EQ(version, image.version);
      EXPECT_EQ(decoded.output.size(), size_t(InfoHex(info, "Decompressed size")));
      ExpectChildrenMatch(dir, decoded.output);
      // Version-2 streams above 8 KiB may come from an encoder with a larger window.
      const Bytes again = Compress(decoded.output, version);
      if (version == 1 || decoded.output.size() <= 8192) {
        EXPECT_EQ(again, stream);
      } else {
        EXPECT_EQ(Decode(again, version).output, decoded.output);
      }
    }
    EXPECT_EQ(count, image.count);
    std::filesystem::remove_all(dump);
  }
}

}  // namespace
}  // namespace kalvire::codec
