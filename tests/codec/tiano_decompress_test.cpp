// Decoder of the Tiano/EFI stream: header checks, hand-built streams for the block and match
// rules, hostile length lists, and every Tiano/EFI section of the real images checked against
// UEFIExtract's decompressed output.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "codec/tiano.h"
#include "codec/tiano_decode_tables.h"
#include "support/test_data.h"

namespace kalvire::codec {
namespace {

using kalvire::test::ReadTextFile;

using Bytes = std::vector<uint8_t>;

const Bytes kAbcVersion1 = {0x0B, 0x00, 0x00, 0x00, 0x03, 0x00, 0x00, 0x00, 0x00, 0x03,
                            0x28, 0x08, 0x44, 0xC9, 0x13, 0x58, 0x02, 0x60, 0x00};
const Bytes kAbcVersion2 = {0x0B, 0x00, 0x00, 0x00, 0x03, 0x00, 0x00, 0x00, 0x00, 0x03,
                            0x28, 0x08, 0x44, 0xC9, 0x13, 0x58, 0x00, 0x98, 0x00};
const Bytes kAbc = {'a', 'b', 'c'};

struct Decoded {
  CodecStatus status;
  Bytes output;
};

// Decodes into a destination of the header's uncompressed size.
Decoded Decode(const Bytes& source, uint32_t version) {
  uint32_t size = 0;
  uint32_t scratch_size = 0;
  if (Tiano_GetInfo(source, size, scratch_size) != kCodecSuccess) return {kCodecInvalid, {}};
  Bytes output(size);
  Bytes scratch(scratch_size);
  return {Tiano_Decompress(source, output, scratch, version), output};
}

// Most-significant-bit-first writer for hand-built streams.
class BitWriter {
 public:
  void Put(uint32_t value, int bits) {
    for (int i = bits - 1; i >= 0; --i) {
      if (m_bits % 8 == 0) m_bytes.push_back(0);
      if ((value >> i) & 1) m_bytes.back() |= uint8_t(0x80 >> (m_bits % 8));
      ++m_bits;
    }
  }

  // A block whose three code sets each hold one symbol: its symbols take no bits at all.
  void PutSingleSymbolBlock(uint16_t symbol_count, uint16_t char_symbol,
                            uint16_t position_symbol = 0, int position_count_bits = 5) {
    Put(symbol_count, 16);
    Put(0, 5);  // extra set: no lengths, single symbol 0
    Put(0, 5);
    Put(0, 9);
    Put(char_symbol, 9);
    Put(0, position_count_bits);
    Put(position_symbol, position_count_bits);
  }

  Bytes Stream(uint32_t uncompressed_size) const {
    Bytes stream(8);
    const auto compressed_size = uint32_t(m_bytes.size());
    for (int i = 0; i < 4; ++i) {
      stream[i] = uint8_t(compressed_size >> (8 * i));
      stream[4 + i] = uint8_t(uncompressed_size >> (8 * i));
    }
    stream.insert(stream.end(), m_bytes.begin(), m_bytes.end());
    return stream;
  }

 private:
  Bytes m_bytes;
  size_t m_bits = 0;
};

constexpr uint16_t MatchSymbol(int length) {
  return uint16_t(length + 253);
}

TEST(TianoGetInfo, ReportsScratchAlwaysAndSizeFromHeader) {
  uint32_t size = 77;
  uint32_t scratch_size = 0;
  EXPECT_EQ(Tiano_GetInfo(Bytes(7), size, scratch_size), kCodecInvalid);
  EXPECT_EQ(scratch_size, 13368u);
  EXPECT_EQ(size, 77u);

  // The compressed size is not looked at, even when the source is far too short for it.
  const Bytes header = {0xFF, 0xFF, 0xFF, 0xFF, 0x34, 0x12, 0x00, 0x00};
  scratch_size = 0;
  EXPECT_EQ(Tiano_GetInfo(header, size, scratch_size), kCodecSuccess);
  EXPECT_EQ(size, 0x1234u);
  EXPECT_EQ(scratch_size, 13368u);
}

TEST(TianoDecompress, AbcStreamsDecodeWithTheirVersion) {
  for (const auto& [stream, version] : {std::pair{kAbcVersion1, 1u}, std::pair{kAbcVersion2, 2u}}) {
    SCOPED_TRACE(version);
    const Decoded decoded = Decode(stream, version);
    EXPECT_EQ(decoded.status, kCodecSuccess);
    EXPECT_EQ(decoded.output, kAbc);
  }
  Bytes output(3);
  Bytes scratch(kTianoScratchSize);
  EXPECT_EQ(Efi_Decompress(kAbcVersion1, output, scratch), kCodecSuccess);
  EXPECT_EQ(output, kAbc);
}

// The callers try version 2 first: a version-1 stream that also passes as version 2 is kept
// as version 2, so the other version must succeed here, with other bytes.
TEST(TianoDecompress, AbcStreamsAlsoPassWithTheOtherVersion) {
  for (const auto& [stream, version] : {std::pair{kAbcVersion1, 2u}, std::pair{kAbcVersion2, 1u}}) {
    SCOPED_TRACE(version);
    const Decoded decoded = Decode(stream, version);
    EXPECT_EQ(decoded.status, kCodecSuccess);
    EXPECT_EQ(decoded.output.size(), 3u);
    EXPECT_NE(decoded.output, kAbc);
  }
}

TEST(TianoDecompress, HeaderChecks) {
  Bytes scratch(kTianoScratchSize);
  Bytes three(3);
  Bytes four(4);
  Bytes two(2);
  Bytes wrapping_size = kAbcVersion2;
  wrapping_size[0] = wrapping_size[1] = wrapping_size[2] = wrapping_size[3] = 0xFF;
  Bytes one_short = kAbcVersion2;
  one_short.pop_back();
  const struct {
    const char* name;
    Bytes source;
    Bytes* destination;
    uint32_t version;
  } cases[] = {
      {"7-byte source", Bytes(7), &three, 2},
      {"destination one byte larger", kAbcVersion2, &four, 2},
      {"destination one byte smaller", kAbcVersion2, &two, 2},
      {"version 3", kAbcVersion2, &three, 3},
      {"version 0", kAbcVersion1, &three, 0},
      {"source one byte short of the compressed size", one_short, &three, 2},
      {"compressed size that wraps a 32-bit sum", wrapping_size, &three, 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Tiano_Decompress(c.source, *c.destination, scratch, c.version), kCodecInvalid);
  }
}

TEST(TianoDecompress, UncompressedSizeZeroSucceedsWithoutTouchingAnything) {
  // Compressed size far beyond the source, no bit stream: neither is looked at.
  const Bytes header = {0xFF, 0xFF, 0xFF, 0x7F, 0, 0, 0, 0};
  for (size_t destination_size : {0, 1, 100}) {
    SCOPED_TRACE(destination_size);
    Bytes destination(destination_size, 0xA5);
    Bytes scratch(kTianoScratchSize, 0x5A);
    EXPECT_EQ(Tiano_Decompress(header, destination, scratch, 7), kCodecSuccess);
    EXPECT_EQ(destination, Bytes(destination_size, 0xA5));
    EXPECT_EQ(scratch, Bytes(kTianoScratchSize, 0x5A));
  }
}

TEST(TianoDecompress, ScratchBelowItsSizeIsRefusedAndAnyAlignmentWorks) {
  Bytes output(3);
  Bytes small(kTianoScratchSize - 1);
  EXPECT_EQ(Efi_Decompress(kAbcVersion1, output, small), kCodecInvalid);
  EXPECT_EQ(Tiano_Decompress(kAbcVersion2, output, small, 2), kCodecInvalid);

  Bytes large(kTianoScratchSize + 1);
  const std::span<uint8_t> odd(large.data() + 1, kTianoScratchSize);
  EXPECT_EQ(Tiano_Decompress(kAbcVersion2, output, odd, 2), kCodecSuccess);
  EXPECT_EQ(output, kAbc);
}

TEST(TianoDecompress, NeverReadsPastTheDeclaredCompressedSize) {
  // The source ends exactly at the bit stream's end (an overread shows under ASan); bytes
  // after it, whatever they are, change nothing.
  Bytes garbage_after = kAbcVersion2;
  garbage_after.insert(garbage_after.end(), {0xFF, 0x13, 0x99, 0xFF});
  EXPECT_EQ(Decode(garbage_after, 2).output, kAbc);
  EXPECT_EQ(Decode(garbage_after, 2).status, kCodecSuccess);

  // A stream declared shorter than its bytes reads the rest as zero bits: it decodes exactly
  // like the full stream with those bytes zeroed.
  for (uint32_t declared = 0; declared < 11; ++declared) {
    SCOPED_TRACE(declared);
    Bytes cut = kAbcVersion2;
    cut[0] = uint8_t(declared);
    for (size_t i = 8 + declared; i < cut.size(); ++i) cut[i] ^= 0xFF;
    Bytes zeroed = kAbcVersion2;
    for (size_t i = 8 + declared; i < zeroed.size(); ++i) zeroed[i] = 0;
    const Decoded from_cut = Decode(cut, 2);
    const Decoded from_zeroed = Decode(zeroed, 2);
    EXPECT_EQ(from_cut.status, from_zeroed.status);
    EXPECT_EQ(from_cut.output, from_zeroed.output);
  }
}

TEST(TianoDecompress, EmptyBitStreamDecodesZeroBits) {
  // All-zero bits: a block of 65536 symbols with single-symbol sets of symbol 0.
  BitWriter writer;
  const Decoded decoded = Decode(writer.Stream(1000), 2);
  EXPECT_EQ(decoded.status, kCodecSuccess);
  EXPECT_EQ(decoded.output, Bytes(1000, 0));
}

TEST(TianoDecompress, BlockSizeZeroStandsFor65536Symbols) {
  BitWriter writer;
  writer.PutSingleSymbolBlock(0, 'A');
  writer.PutSingleSymbolBlock(1, 'B');
  const Decoded decoded = Decode(writer.Stream(65537), 2);
  ASSERT_EQ(decoded.status, kCodecSuccess);
  Bytes expected(65536, 'A');
  expected.push_back('B');
  EXPECT_EQ(decoded.output, expected);
}

TEST(TianoDecompress, RepeatedByteIsALiteralAndALongMatch) {
  BitWriter writer;
  writer.PutSingleSymbolBlock(1, 'x');
  writer.PutSingleSymbolBlock(1, MatchSymbol(256), 0);
  const Decoded decoded = Decode(writer.Stream(257), 2);
  EXPECT_EQ(decoded.status, kCodecSuccess);
  EXPECT_EQ(decoded.output, Bytes(257, 'x'));
}

// Matches over the copy paths: distance 1 (a run), short overlapping distances, chunked
// distances of 8 and more, with lengths around the chunk size.
TEST(TianoDecompress, MatchCopiesRepeatOverlappingSources) {
  const Bytes prefix = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17};
  for (uint32_t distance : {1u, 2u, 3u, 7u, 8u, 9u, 16u, 17u}) {
    for (int length : {3, 7, 8, 9, 15, 16, 17, 40, 256}) {
      SCOPED_TRACE(testing::Message() << "distance " << distance << " length " << length);
      // Offset value distance - 1 is the position symbol p with p - 1 further bits.
      const uint32_t offset = distance - 1;
      const auto p = uint16_t(offset <= 1 ? offset : std::bit_width(offset));
      BitWriter stream;
      Bytes expected;
      for (uint8_t byte : prefix) {
        stream.PutSingleSymbolBlock(1, byte);
        expected.push_back(byte);
      }
      stream.PutSingleSymbolBlock(1, MatchSymbol(length), p);
      if (p > 1) stream.Put(offset - (1u << (p - 1)), p - 1);
      for (int i = 0; i < length; ++i) expected.push_back(expected[expected.size() - distance]);
      const Decoded decoded = Decode(stream.Stream(uint32_t(expected.size()) + 1), 2);
      ASSERT_EQ(decoded.status, kCodecSuccess);
      EXPECT_EQ(Bytes(decoded.output.begin(), decoded.output.end() - 1), expected);
    }
  }
}

TEST(TianoDecompress, MatchBoundRules) {
  const struct {
    const char* name;
    uint32_t size;
    int literals;
    int length;
    uint16_t position_symbol;
    CodecStatus status;
  } cases[] = {
      {"offset value 0 at output position 0", 10, 0, 3, 0, kCodecInvalid},
      {"source before the output start", 10, 2, 3, 2, kCodecInvalid},  // offset value 2 or 3
      {"match filling the output exactly", 4, 1, 3, 0, kCodecSuccess},
      // The bound tests the source index against size - length: running past the end by
      // at least offset value + 1 bytes fails.
      {"match running one byte past the end", 4, 2, 3, 0, kCodecInvalid},
      // size - length wraps when the match is longer than the output: the copy stops at
      // the end of the output.
      {"match longer than the whole output", 4, 1, 10, 0, kCodecSuccess},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    BitWriter writer;
    if (c.literals > 0) writer.PutSingleSymbolBlock(uint16_t(c.literals), 'q');
    writer.PutSingleSymbolBlock(1, MatchSymbol(c.length), c.position_symbol);
    if (c.position_symbol > 1) writer.Put(0, c.position_symbol - 1);
    const Decoded decoded = Decode(writer.Stream(c.size), 2);
    EXPECT_EQ(decoded.status, c.status);
    if (c.status == kCodecSuccess) {
      EXPECT_EQ(decoded.output, Bytes(c.size, 'q'));
    }
  }
}

TEST(TianoDecompress, FarSourceOfAMatchLongerThanTheOutputIsRefused) {
  // Offset value 300 from position 1 wraps to just below 2^32 - 256, which the format's
  // own bound lets through when size - length wraps too; it must never be read.
  BitWriter writer;
  writer.PutSingleSymbolBlock(1, 'q');
  writer.PutSingleSymbolBlock(1, MatchSymbol(256), 9);
  writer.Put(300 - 256, 8);
  EXPECT_EQ(Decode(writer.Stream(4), 2).status, kCodecInvalid);
}

// Decoding stops at once when a match fills the output, but a literal that fills it is
// followed by one more symbol, which may read a block header.
TEST(TianoDecompress, EndOfOutputRules) {
  const auto invalid_header = [](BitWriter& writer) {
    writer.Put(1, 16);
    writer.Put(1, 5);  // one extra-set length ...
    writer.Put(1, 3);  // ... of 1 bit: half the code space is left over
  };
  {
    SCOPED_TRACE("match fills the output");
    BitWriter writer;
    writer.PutSingleSymbolBlock(1, 'm');
    writer.PutSingleSymbolBlock(1, MatchSymbol(3), 0);
    invalid_header(writer);
    const Decoded decoded = Decode(writer.Stream(4), 2);
    EXPECT_EQ(decoded.status, kCodecSuccess);
    EXPECT_EQ(decoded.output, Bytes(4, 'm'));
  }
  {
    SCOPED_TRACE("literal fills the output, then an invalid header");
    BitWriter writer;
    writer.PutSingleSymbolBlock(2, 'l');
    invalid_header(writer);
    EXPECT_EQ(Decode(writer.Stream(2), 2).status, kCodecInvalid);
  }
  {
    SCOPED_TRACE("literal fills the output, then a match that writes nothing");
    BitWriter writer;
    writer.PutSingleSymbolBlock(2, 'l');
    writer.PutSingleSymbolBlock(1, MatchSymbol(3), 0);
    const Decoded decoded = Decode(writer.Stream(2), 2);
    EXPECT_EQ(decoded.status, kCodecSuccess);
    EXPECT_EQ(decoded.output, Bytes(2, 'l'));
  }
}

TEST(TianoDecompress, PositionCountWidthFollowsTheVersion) {
  for (uint32_t version : {1u, 2u}) {
    SCOPED_TRACE(version);
    const int width = version == 1 ? 4 : 5;
    BitWriter writer;
    writer.PutSingleSymbolBlock(2, 'v', 0, width);
    writer.PutSingleSymbolBlock(1, MatchSymbol(3), 0, width);
    writer.PutSingleSymbolBlock(1, 'w', 0, width);
    const Decoded decoded = Decode(writer.Stream(6), version);
    EXPECT_EQ(decoded.status, kCodecSuccess);
    EXPECT_EQ(decoded.output, (Bytes{'v', 'v', 'v', 'v', 'v', 'w'}));
  }
}

TEST(TianoDecompress, CharacterLengthsPastTheSetAreReadButNotStored) {
  // The extra set's single symbol 2 is a zero run of (9 bits) + 20 lengths: one run of 531
  // goes far past the 510 character lengths. The bits after it must stay in step.
  BitWriter writer;
  writer.Put(1, 16);
  writer.Put(0, 5);
  writer.Put(2, 5);
  writer.Put(1, 9);
  writer.Put(511, 9);
  writer.Put(0, 5);
  writer.Put(0, 5);
  writer.PutSingleSymbolBlock(1, 'Q');
  const Decoded decoded = Decode(writer.Stream(2), 2);
  EXPECT_EQ(decoded.status, kCodecSuccess);
  EXPECT_EQ(decoded.output, (Bytes{0, 'Q'}));

  // A count of 511 lengths of 1 bit, each coded as extra symbol 3 ("1"; symbol 2 is "0"):
  // the 511th is read and dropped; the 510 stored ones give a table of symbols 0 and 1
  // (the others do not fit), one bit each.
  BitWriter ones;
  ones.Put(4, 16);
  ones.Put(4, 5);
  for (uint32_t length : {0, 0, 1}) ones.Put(length, 3);
  ones.Put(0, 2);
  ones.Put(1, 3);
  ones.Put(511, 9);
  for (int i = 0; i < 511; ++i) ones.Put(1, 1);
  ones.Put(0, 5);
  ones.Put(0, 5);
  ones.Put(0b1011, 4);
  const Decoded bits = Decode(ones.Stream(4), 2);
  EXPECT_EQ(bits.status, kCodecSuccess);
  EXPECT_EQ(bits.output, (Bytes{1, 0, 1, 1}));
}

TEST(TianoDecompress, InvalidSmallSetLengthsFail) {
  const struct {
    const char* name;
    std::vector<std::pair<uint32_t, int>> header;  // after the 16-bit block size
  } cases[] = {
      {"extra length above 16", {{1, 5}, {0b1111111111111111, 16}, {0b11110, 5}}},
      {"extra code space left over", {{1, 5}, {1, 3}}},
      {"three 1-bit extra codes", {{3, 5}, {1, 3}, {1, 3}, {1, 3}, {0, 2}}},
      {"position code space left over", {{0, 5}, {0, 5}, {0, 9}, {'a', 9}, {1, 5}, {2, 3}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    BitWriter writer;
    writer.Put(5, 16);
    for (const auto& [value, bits] : c.header) writer.Put(value, bits);
    EXPECT_EQ(Decode(writer.Stream(5), 2).status, kCodecInvalid);
  }
}

TEST(TianoDecompress, CanaryAroundTheDestinationStaysIntact) {
  const struct {
    const char* name;
    uint32_t size;
    int last_match;
  } cases[] = {{"last match ends at the end", 300, 43},
               {"last match longer than the room left", 260, 256}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    BitWriter writer;
    writer.PutSingleSymbolBlock(1, 'x');
    writer.PutSingleSymbolBlock(1, MatchSymbol(256), 0);
    writer.PutSingleSymbolBlock(1, MatchSymbol(c.last_match), 0);
    Bytes buffer(c.size + 64, 0xCC);
    Bytes scratch(kTianoScratchSize);
    const std::span<uint8_t> destination(buffer.data() + 32, c.size);
    const CodecStatus status = Tiano_Decompress(writer.Stream(c.size), destination, scratch, 2);
    EXPECT_EQ(Bytes(buffer.begin(), buffer.begin() + 32), Bytes(32, 0xCC));
    EXPECT_EQ(Bytes(buffer.end() - 32, buffer.end()), Bytes(32, 0xCC));
    if (c.last_match == 43) {
      EXPECT_EQ(status, kCodecSuccess);
      EXPECT_EQ(Bytes(destination.begin(), destination.end()), Bytes(c.size, 'x'));
    } else {
      EXPECT_EQ(status, kCodecInvalid);  // runs past the end by more than one byte
    }
  }
}

TEST(TianoDecompress, RandomStreamsStayInsideTheirBuffers) {
  // Mostly invalid data: what matters is the status range and an untouched canary.
  for (uint64_t seed = 1; seed <= 300; ++seed) {
    Bytes stream = test::RandomBytes(8 + seed % 97, seed);
    const auto compressed_size = uint32_t(stream.size() - 8);
    const uint32_t size = 1 + uint32_t(seed * 37 % 4000);
    for (int i = 0; i < 4; ++i) {
      stream[i] = uint8_t(compressed_size >> (8 * i));
      stream[4 + i] = uint8_t(size >> (8 * i));
    }
    for (uint32_t version : {1u, 2u}) {
      Bytes buffer(size + 8, 0xCC);
      Bytes scratch(kTianoScratchSize);
      const CodecStatus status =
          Tiano_Decompress(stream, std::span(buffer.data(), size), scratch, version);
      EXPECT_TRUE(status == kCodecSuccess || status == kCodecInvalid) << seed;
      EXPECT_EQ(Bytes(buffer.end() - 8, buffer.end()), Bytes(8, 0xCC)) << seed;
    }
  }
}

TEST(TianoDecodeTable, RejectsInvalidLengthLists) {
  const struct {
    const char* name;
    Bytes lengths;
  } cases[] = {
      {"length 17", {1, 17, 1}},
      {"code space one short", {1, 2, 3}},
      {"code space overfull", {1, 1, 1}},
      {"complete only past the table", {1, 1, 1, 1}},  // sums to 2^17, fills past 2^8
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    detail::TianoDecodeTables tables{};
    EXPECT_FALSE(detail::BuildDecodeTable(c.lengths, 8, tables.small_table, tables));
  }
}

TEST(TianoDecodeTable, CanonicalCodesFillTableAndTree) {
  // Lengths 1, 2, ..., 8, 9, 9: the two 9-bit codes share the last table entry and continue
  // in one tree node numbered from the symbol count (10).
  const Bytes lengths = {1, 2, 3, 4, 5, 6, 7, 8, 9, 9};
  detail::TianoDecodeTables tables{};
  std::fill(std::begin(tables.small_table), std::end(tables.small_table), uint16_t(0x77));
  ASSERT_TRUE(detail::BuildDecodeTable(lengths, 8, tables.small_table, tables));
  for (int entry = 0; entry < 255; ++entry) {
    SCOPED_TRACE(entry);
    const int expected_symbol = std::countl_one(uint8_t(entry));
    EXPECT_EQ(tables.small_table[entry], expected_symbol);
  }
  EXPECT_EQ(tables.small_table[255], 10);
  EXPECT_EQ(detail::WalkTree(tables, 10, 0x00000000, 10), 8);
  EXPECT_EQ(detail::WalkTree(tables, 10, 0x80000000, 10), 9);

  // All zero: passes and writes nothing, so an earlier block's entries stay.
  const Bytes none(19, 0);
  EXPECT_TRUE(detail::BuildDecodeTable(none, 8, tables.small_table, tables));
  EXPECT_EQ(tables.small_table[255], 10);
}

TEST(TianoDecodeTable, WalkThroughALoopEnds) {
  detail::TianoDecodeTables tables{};
  tables.left[600] = 600;
  EXPECT_EQ(detail::WalkTree(tables, 600, 0, 510), detail::kWalkCircles);
  tables.right[600] = 601;
  tables.left[601] = 7;
  EXPECT_EQ(detail::WalkTree(tables, 600, 0x80000000, 510), 7);
}

// --- Real images: every Tiano/EFI compressed section, checked against UEFIExtract ---

struct DumpedSection {
  std::filesystem::path dir;
  std::string algorithm;
  Bytes stream;
  uint32_t decompressed_size = 0;
};

// The hexadecimal value of an info.txt line such as "Offset: 18h", or -1.
long InfoHex(const std::string& info, const std::string& key) {
  const size_t at = info.find("\n" + key + ": ");
  if (at == std::string::npos) return -1;
  return std::strtol(info.c_str() + at + key.size() + 3, nullptr, 16);
}

bool HasUefiExtract() {
  return std::system("command -v UEFIExtract >/dev/null 2>&1") == 0;
}

// Copies the image into a fresh folder and dumps every tree item there.
std::filesystem::path DumpImage(const std::filesystem::path& image) {
  const auto dir = std::filesystem::temp_directory_path() /
                   ("kalvire-tiano-" + std::to_string(getpid()) + "-" + image.filename().string());
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  std::filesystem::copy_file(image, dir / image.filename());
  const std::string command = "cd '" + dir.string() + "' && UEFIExtract '" +
                              image.filename().string() + "' all >/dev/null 2>&1";
  EXPECT_EQ(std::system(command.c_str()), 0);
  return dir;
}

std::vector<DumpedSection> FindTianoSections(const std::filesystem::path& dump) {
  std::vector<DumpedSection> sections;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(dump)) {
    if (entry.path().filename() != "info.txt") continue;
    const std::string info = "\n" + ReadTextFile(entry.path());
    if (info.find("\nSubtype: Compressed\n") == std::string::npos) continue;
    const size_t at = info.find("\nCompression algorithm: ");
    if (at == std::string::npos) continue;
    const std::string algorithm = info.substr(at + 24, info.find('\n', at + 1) - at - 24);
    if (algorithm != "EFI 1.1" && algorithm != "Tiano") continue;
    const auto dir = entry.path().parent_path();
    sections.push_back({dir, algorithm, test::ReadFileOrFail(dir / "body.bin"),
                        uint32_t(InfoHex(info, "Decompressed size"))});
  }
  return sections;
}

// Each child section that UEFIExtract found in the decompressed data must sit at its offset
// with the same bytes; between them only alignment padding is left.
void ExpectChildrenMatch(const DumpedSection& section, const Bytes& decoded) {
  const long parent_header = InfoHex("\n" + ReadTextFile(section.dir / "info.txt"), "Header size");
  size_t covered = 0;
  for (const auto& child : std::filesystem::directory_iterator(section.dir)) {
    if (!child.is_directory()) continue;
    Bytes expected = test::ReadFileOrFail(child.path() / "header.bin");
    const Bytes body = test::ReadFileOrFail(child.path() / "body.bin");
    expected.insert(expected.end(), body.begin(), body.end());
    const long offset =
        InfoHex("\n" + ReadTextFile(child.path() / "info.txt"), "Offset") - parent_header;
    ASSERT_GE(offset, 0);
    ASSERT_LE(size_t(offset) + expected.size(), decoded.size()) << child.path();
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), decoded.begin() + offset))
        << child.path();
    covered += expected.size();
  }
  EXPECT_GT(covered, 0u);
  EXPECT_LE(decoded.size() - covered, 16u * 8) << "more than alignment padding is unchecked";
}

TEST(TianoDecompressRealImages, EveryCompressedSectionMatchesUefiExtract) {
  const auto images = test::SharedImagesDir();
  if (!images) GTEST_SKIP() << "shared images folder ../shared/images is absent";
  if (!HasUefiExtract()) GTEST_SKIP() << "UEFIExtract (Debian uefitool-cli) is not on PATH";

  const struct {
    const char* file;
    const char* algorithm;
    size_t count;
  } images_to_check[] = {{"p7xxdm-full-flash.rom", "EFI 1.1", 3},
                         {"h61-bios-region.bin", "Tiano", 5}};
  for (const auto& image : images_to_check) {
    SCOPED_TRACE(image.file);
    const auto dump = DumpImage(*images / image.file);
    // Removed however the checks below end.
    const std::unique_ptr<const std::filesystem::path, void (*)(const std::filesystem::path*)>
        cleanup(&dump, [](const std::filesystem::path* dir) { std::filesystem::remove_all(*dir); });
    const std::vector<DumpedSection> sections = FindTianoSections(dump);
    EXPECT_EQ(sections.size(), image.count);
    for (const DumpedSection& section : sections) {
      SCOPED_TRACE(section.dir.string());
      EXPECT_EQ(section.algorithm, image.algorithm);
      // As the firmware walk does: version 2 first, then version 1.
      uint32_t version = 2;
      Decoded decoded = Decode(section.stream, version);
      if (decoded.status != kCodecSuccess) decoded = Decode(section.stream, version = 1);
      ASSERT_EQ(decoded.status, kCodecSuccess);
      EXPECT_EQ(version, section.algorithm == "Tiano" ? 2u : 1u);
      EXPECT_EQ(decoded.output.size(), section.decompressed_size);
      ExpectChildrenMatch(section, decoded.output);
    }
  }
}

}  // namespace
}  // namespace kalvire::codec
