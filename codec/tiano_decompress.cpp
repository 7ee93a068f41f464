// Tiano/EFI stream decoder: block headers, the symbol loop and the entry points. The bit
// reader and the table builder live in their own files.
#include <algorithm>
#include <bit>
#include <cstring>
#include <memory>
#include <new>

#include "codec/tiano.h"
#include "codec/tiano_bit_reader.h"
#include "codec/tiano_decode_tables.h"
#include "util/le.h"

namespace kalvire::codec {
namespace {

using detail::TianoBitReader;
using detail::TianoDecodeTables;

constexpr uint32_t kHeaderSize = 8;
constexpr uint32_t kMatchLengthBias = 253;  // character symbol 256 is a match of 3 bytes
constexpr unsigned kExtraCountBits = 5;
constexpr uint32_t kExtraZeroRunPoint = 3;
constexpr uint32_t kNoZeroRunPoint = 0xFFFFFFFF;

static_assert(sizeof(TianoDecodeTables) + alignof(TianoDecodeTables) - 1 <= kTianoScratchSize);

struct Symbol {
  uint16_t value;  // kWalkCircles when the tree walk would never end
  unsigned length;
};

// Looks up the next symbol in a table (the reader refilled); its bits are not skipped yet.
// `lengths` gives the length of a symbol found by a tree walk.
Symbol LookUp(const TianoDecodeTables& tables, const uint16_t* table, int table_bits,
              const uint8_t* lengths, uint16_t symbol_count, uint32_t window) {
  const uint16_t entry = table[window >> (32 - table_bits)];
  const auto value = uint16_t(entry & detail::kEntryValueMask);
  if (value < symbol_count) [[likely]] {
    return {value, unsigned(entry >> detail::kEntryLengthShift)};
  }
  const uint16_t symbol = detail::WalkTree(tables, value, window << table_bits, symbol_count);
  return {symbol, symbol == detail::kWalkCircles ? 0u : lengths[symbol]};
}

// Copies `count` bytes to out + position from out + from, with the result of a forward
// byte-by-byte copy: a source that overlaps the bytes being written repeats them. `size` is the
// output's size; position + count <= size.
void CopyMatch(uint8_t* out, uint32_t size, uint32_t position, uint32_t from, uint32_t count) {
  uint8_t* to = out + position;
  const uint8_t* source = out + from;
  if (from < position) {
    const uint32_t distance = position - from;
    if (distance >= 8) {
      // Each chunk reads only bytes written before it. While the output has room, the last
      // chunk may run past the match: decoding rewrites those bytes later.
      if (size - position >= ((count + 7) & ~7u)) {
        for (uint32_t i = 0; i < count; i += 8) std::memcpy(to + i, source + i, 8);
        return;
      }
      if (count >= 8) {
        // The last chunk ends exactly at count and rewrites a few bytes with their own values.
        for (uint32_t i = 0; i + 8 <= count; i += 8) std::memcpy(to + i, source + i, 8);
        std::memcpy(to + count - 8, source + count - 8, 8);
        return;
      }
    } else if (distance == 1) {
      std::memset(to, *source, count);
      return;
    }
  }
  for (uint32_t i = 0; i < count; ++i) to[i] = source[i];
}

class TianoDecoder {
 public:
  TianoDecoder(TianoDecodeTables& tables, std::span<const uint8_t> stream,
               unsigned position_count_bits)
      : m_tables(tables), m_reader(stream), m_position_count_bits(position_count_bits) {}

  // Decodes until the output is full; false when the stream turns out invalid.
  bool Run(std::span<uint8_t> output);

 private:
  // The three length lists after a block's size; false when the block is invalid.
  bool ReadCodeLengths();
  bool ReadSmallLengths(uint16_t entry_count, unsigned count_bits, uint32_t zero_run_point);
  bool ReadCharLengths();

  TianoDecodeTables& m_tables;
  TianoBitReader m_reader;  // the block headers' reader; Run keeps its own copy meanwhile
  unsigned m_position_count_bits;
};

bool TianoDecoder::Run(std::span<uint8_t> output) {
  // The loop works on local copies: every output byte is stored through a uint8_t pointer,
  // which may alias any member, and would force the reader's state out of registers.
  uint8_t* const out = output.data();
  const auto size = uint32_t(output.size());
  const TianoDecodeTables& tables = m_tables;
  const uint16_t* const char_table = tables.char_table;
  const uint8_t* const char_lengths = tables.char_lengths;
  const uint16_t* const small_table = tables.small_table;
  const uint8_t* const small_lengths = tables.small_lengths;
  TianoBitReader reader = m_reader;
  uint16_t block_left = 0;
  uint32_t position = 0;
  for (;;) {
    if (block_left == 0) {
      // Counted down before it is tested: a block size of 0 stands for 65536 symbols.
      block_left = uint16_t(reader.Get(16));
      m_reader = reader;
      if (!ReadCodeLengths()) return false;
      reader = m_reader;
    }
    --block_left;
    reader.Refill();
    const Symbol decoded = LookUp(tables, char_table, detail::kCharTableBits, char_lengths,
                                  detail::kCharSetSize, reader.Window());
    const uint16_t symbol = decoded.value;
    if (symbol == detail::kWalkCircles) return false;
    reader.Skip(decoded.length);

    if (symbol < 256) {
      // A literal that fills the output ends decoding only at the next symbol.
      if (position >= size) return true;
      out[position++] = uint8_t(symbol);
      // The literal took 16 bits at most, so the window still holds the next code: a second
      // literal needs no refill. Anything else is looked up again on the next turn.
      if (block_left == 0) continue;
      const Symbol next = LookUp(tables, char_table, detail::kCharTableBits, char_lengths,
                                 detail::kCharSetSize, reader.Window());
      if (next.value >= 256) continue;
      --block_left;
      reader.Skip(next.length);
      if (position >= size) return true;
      out[position++] = uint8_t(next.value);
      continue;
    }

    const uint32_t length = symbol - kMatchLengthBias;
    const Symbol position_code = LookUp(tables, small_table, detail::kSmallTableBits, small_lengths,
                                        detail::kPositionSetSize, reader.Window());
    const uint16_t offset_bits = position_code.value;
    if (offset_bits == detail::kWalkCircles) return false;
    reader.Skip(position_code.length);
    uint32_t offset = offset_bits;
    if (offset_bits > 1) {
      // The two codes took 32 bits at most of the 56 refilled; the offset bits of real streams
      // (12 at most) are still buffered.
      const unsigned extra = offset_bits - 1;
      offset = (1u << extra) + (extra <= 24 ? reader.Take(extra) : reader.Get(extra));
    }

    const uint32_t from = position - offset - 1;
    // The first test is the format's own bound (it also rejects a source before the start
    // of the output). It lets a source far outside the output through when the match is
    // longer than the whole output; the second test stops that.
    if (from >= size - length || from >= size) return false;
    const uint32_t count = std::min(length, size - position);
    CopyMatch(out, size, position, from, count);
    position += count;
    if (position == size) return true;
  }
}

bool TianoDecoder::ReadCodeLengths() {
  if (!ReadSmallLengths(detail::kExtraSetSize, kExtraCountBits, kExtraZeroRunPoint)) {
    return false;
  }
  if (!ReadCharLengths()) return false;
  return ReadSmallLengths(detail::kPositionSetSize, m_position_count_bits, kNoZeroRunPoint);
}

// Code lengths of the extra set or the position set. The count may exceed entry_count; the
// lengths past it are read, stored and then ignored, which the 31-entry list holds since a
// count field is at most 5 bits wide.
bool TianoDecoder::ReadSmallLengths(uint16_t entry_count, unsigned count_bits,
                                    uint32_t zero_run_point) {
  uint8_t* const lengths = m_tables.small_lengths;
  const uint32_t count = m_reader.Get(count_bits);
  if (count == 0) {
    // A single symbol: every lookup yields it and consumes no bits.
    const auto only = uint16_t(m_reader.Get(count_bits));
    std::fill(std::begin(m_tables.small_table), std::end(m_tables.small_table), only);
    std::fill_n(lengths, entry_count, uint8_t(0));
    return true;
  }

  uint32_t index = 0;
  while (index < count) {
    m_reader.Refill();
    const uint32_t window = m_reader.Window();
    // Lengths up to 6 take 3 bits; from 7 on, 111 is followed by one 1 bit per extra unit
    // and a 0, counted within the 32-bit window only.
    uint32_t length = window >> 29;
    if (length == 7) length += uint32_t(std::countl_one(window << 3));
    m_reader.Skip(length < 7 ? 3 : length - 3);
    lengths[index++] = uint8_t(length);
    if (index == zero_run_point) {
      for (uint32_t zeros = m_reader.Get(2); zeros != 0; --zeros) {
        if (index == detail::kPositionSetSize) return false;
        lengths[index++] = 0;
      }
    }
  }
  if (index < entry_count) std::fill(lengths + index, lengths + entry_count, uint8_t(0));
  return detail::BuildDecodeTable({lengths, entry_count}, detail::kSmallTableBits,
                                  m_tables.small_table, m_tables);
}

// Code lengths of the character set, coded with the extra set. Returns false only when an
// extra-set tree walk would circle forever.
bool TianoDecoder::ReadCharLengths() {
  uint8_t* const lengths = m_tables.char_lengths;
  const uint32_t count = m_reader.Get(9);
  if (count == 0) {
    const auto only = uint16_t(m_reader.Get(9));
    std::fill_n(lengths, detail::kCharSetSize, uint8_t(0));
    std::fill(std::begin(m_tables.char_table), std::end(m_tables.char_table), only);
    return true;
  }

  // A count above 510 or a zero run past the end describes lengths beyond the character
  // set. Those are read (so the bits after them stay in step) but not stored.
  uint32_t index = 0;
  while (index < count) {
    m_reader.Refill();
    const Symbol extra = LookUp(m_tables, m_tables.small_table, detail::kSmallTableBits,
                                m_tables.small_lengths, detail::kExtraSetSize, m_reader.Window());
    const uint16_t code = extra.value;
    if (code == detail::kWalkCircles) return false;
    m_reader.Skip(extra.length);
    if (code >= 3) {
      if (index < detail::kCharSetSize) lengths[index] = uint8_t(code - 2);
      ++index;
      continue;
    }
    const uint32_t zeros = code == 0 ? 1 : code == 1 ? m_reader.Get(4) + 3 : m_reader.Get(9) + 20;
    const uint32_t stored_end = std::min(index + zeros, uint32_t(detail::kCharSetSize));
    if (index < stored_end) std::fill(lengths + index, lengths + stored_end, uint8_t(0));
    index += zeros;
  }
  if (index < detail::kCharSetSize) {
    std::fill(lengths + index, lengths + detail::kCharSetSize, uint8_t(0));
  }
  // Not checked: a block whose character code is inconsistent still decodes with the table
  // as built, and real streams depend on nothing else.
  detail::BuildDecodeTable({lengths, detail::kCharSetSize}, detail::kCharTableBits,
                           m_tables.char_table, m_tables);
  return true;
}

}  // namespace

CodecStatus Tiano_GetInfo(std::span<const uint8_t> source, uint32_t& destination_size,
                          uint32_t& scratch_size) {
  scratch_size = kTianoScratchSize;
  const auto uncompressed_size = util::ReadLe32(source, 4);
  if (!uncompressed_size) return kCodecInvalid;
  destination_size = *uncompressed_size;
  return kCodecSuccess;
}

CodecStatus Tiano_Decompress(std::span<const uint8_t> source, std::span<uint8_t> destination,
                             std::span<uint8_t> scratch, uint32_t version) {
  if (source.size() < kHeaderSize) return kCodecInvalid;
  const uint32_t compressed_size = util::LoadLe32(source.data());
  const uint32_t uncompressed_size = util::LoadLe32(source.data() + 4);
  if (uncompressed_size == 0) return kCodecSuccess;
  // Checked without the 32-bit sum, which would let a size near 4 GiB wrap and pass.
  const auto stream = util::Slice(source, kHeaderSize, compressed_size);
  if (!stream) return kCodecInvalid;
  if (destination.size() != uncompressed_size) return kCodecInvalid;
  if (scratch.size() < kTianoScratchSize) return kCodecInvalid;

  void* storage = scratch.data();
  size_t space = scratch.size();
  std::align(alignof(TianoDecodeTables), sizeof(TianoDecodeTables), storage, space);
  auto* tables = new (storage) TianoDecodeTables{};  // all zero, as every call starts

  unsigned position_count_bits;
  if (version == 1) {
    position_count_bits = 4;
  } else if (version == 2) {
    position_count_bits = 5;
  } else {
    return kCodecInvalid;
  }
  TianoDecoder decoder(*tables, *stream, position_count_bits);
  return decoder.Run(destination) ? kCodecSuccess : kCodecInvalid;
}

CodecStatus Efi_Decompress(std::span<const uint8_t> source, std::span<uint8_t> destination,
                           std::span<uint8_t> scratch) {
  if (scratch.size() < kTianoScratchSize) return kCodecInvalid;
  return Tiano_Decompress(source, destination, scratch, 1);
}

}  // namespace kalvire::codec
