// Tiano/EFI encoder: LZ77 parsing over an 8 KiB window with one step of lazy evaluation, then
// block-wise static Huffman coding of literals, match lengths and match offsets. Version 1 and
// version 2 share everything but the width of the position-set count field.
#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <memory>
#include <new>

#include "codec/tiano.h"
#include "codec/tiano_bit_writer.h"
#include "codec/tiano_huffman_encoder.h"
#include "codec/tiano_match_finder.h"
#include "codec/tiano_stream_memo.h"
#include "util/le.h"

namespace kalvire::codec {
namespace {

constexpr uint32_t kHeaderSize = 8;
constexpr uint32_t kWindowMask = TianoMatchFinder::kWindowSize - 1;
constexpr int32_t kMinMatch = 3;
// Character set: 256 literals, then match lengths 3..256 as symbols 256..509.
constexpr uint32_t kCharSetSize = 256 + TianoMatchFinder::kMaxMatch + 1 - kMinMatch;
constexpr uint32_t kLengthSymbolBase = 256 - kMinMatch;
constexpr uint32_t kCharCountBits = 9;
// Position set: the number of significant bits of the offset value (0..13).
constexpr uint32_t kPositionSetSize = 14;
// Extra set: codes the character-set lengths (0..2 zero runs, 3..18 lengths 1..16).
constexpr uint32_t kExtraSetSize = TianoHuffmanEncoder::kMaxCodeLength + 3;
constexpr uint32_t kExtraCountBits = 5;
constexpr uint32_t kExtraZeroRunPoint = 3;
constexpr uint32_t kNoZeroRunPoint = ~0u;
constexpr uint32_t kSymbolBufferSize = 16384;
// A flag byte and eight match items of three bytes must fit after a new flag byte's position.
constexpr uint32_t kSymbolBufferLimit = kSymbolBufferSize - 3 * 8;
constexpr uint32_t kFlushBits = 7;

class TianoEncoder {
 public:
  TianoEncoder(std::span<const uint8_t> source, std::span<uint8_t> destination,
               uint32_t position_count_bits)
      : m_source(source),
        m_bits(destination, kHeaderSize),
        m_position_count_bits(position_count_bits) {}

  void Encode();
  // Bytes of the bit stream, stored or not; valid after Encode().
  uint64_t ProducedBytes() const { return m_produced; }

 private:
  uint32_t ReadSource(std::span<uint8_t> area);
  void NextPosition();
  void ClampMatchLength();
  void PutSymbol(uint32_t char_symbol, uint32_t offset_value);
  void SendBlock();
  void CountExtraFrequencies();
  void WriteCharLengths();
  void WriteLengths(uint32_t count, uint32_t count_bits, uint32_t zero_run_point);
  void EncodeChar(uint32_t symbol) { m_bits.PutBits(m_char_length[symbol], m_char_code[symbol]); }
  void EncodeExtra(uint32_t symbol) { m_bits.PutBits(m_pt_length[symbol], m_pt_code[symbol]); }
  void EncodePosition(uint32_t offset_value);

  std::span<const uint8_t> m_source;
  size_t m_source_cursor = 0;
  TianoBitWriter m_bits;
  uint64_t m_produced = 0;
  uint32_t m_position_count_bits;
  TianoMatchFinder m_finder;
  TianoHuffmanEncoder m_huffman;
  // Input bytes loaded but not yet coded (the look-ahead).
  int32_t m_remainder = 0;

  std::array<uint8_t, kSymbolBufferSize> m_buffer{};
  uint32_t m_buffer_pos = 0;
  uint32_t m_flag_pos = 0;
  uint32_t m_flag_mask = 0;

  // Frequencies hold the tree's inner nodes after the symbols (2n - 1 entries).
  std::array<uint16_t, 2 * kCharSetSize - 1> m_char_freq{};
  std::array<uint16_t, 2 * kPositionSetSize - 1> m_position_freq{};
  std::array<uint16_t, 2 * kExtraSetSize - 1> m_extra_freq{};
  std::array<uint8_t, kCharSetSize> m_char_length{};
  std::array<uint16_t, kCharSetSize> m_char_code{};
  // The extra set and then the position set use these in turn within a block.
  std::array<uint8_t, kExtraSetSize> m_pt_length{};
  std::array<uint16_t, kExtraSetSize> m_pt_code{};
};

uint32_t TianoEncoder::ReadSource(std::span<uint8_t> area) {
  const size_t count = std::min(area.size(), m_source.size() - m_source_cursor);
  if (count != 0) std::memcpy(area.data(), m_source.data() + m_source_cursor, count);
  m_source_cursor += count;
  return uint32_t(count);
}

void TianoEncoder::NextPosition() {
  --m_remainder;
  const std::span<uint8_t> room = m_finder.Advance();
  if (!room.empty()) m_remainder += int32_t(ReadSource(room));
  m_finder.Delete();
  m_finder.Insert();
}

void TianoEncoder::ClampMatchLength() {
  // Past the input's end the text holds stale bytes that may seem to match.
  if (m_finder.MatchLength() > m_remainder) m_finder.SetMatchLength(m_remainder);
}

void TianoEncoder::Encode() {
  m_finder.Reset();
  m_remainder = int32_t(ReadSource(m_finder.FirstLoadArea()));
  m_finder.Insert();
  ClampMatchLength();
  const std::span<const uint8_t> text = m_finder.Text();
  while (m_remainder > 0) {
    int32_t last_length = m_finder.MatchLength();
    const uint32_t last_position = m_finder.MatchPosition();
    NextPosition();
    ClampMatchLength();
    // Lazy evaluation: a longer match starting one byte later wins over the previous one.
    if (m_finder.MatchLength() > last_length || last_length < kMinMatch) {
      PutSymbol(text[m_finder.CurrentPosition() - 1], 0);
      continue;
    }
    // The match starts at the previous position; modulo the window also when the text slid.
    const uint32_t offset_value = (m_finder.CurrentPosition() - last_position - 2) & kWindowMask;
    PutSymbol(uint32_t(last_length) + kLengthSymbolBase, offset_value);
    while (--last_length > 0) NextPosition();
    ClampMatchLength();
  }
  SendBlock();
  m_bits.PutBits(kFlushBits, 0);
  m_produced = m_bits.Finish();
}

void TianoEncoder::PutSymbol(uint32_t char_symbol, uint32_t offset_value) {
  m_flag_mask >>= 1;
  if (m_flag_mask == 0) {
    m_flag_mask = 0x80;
    if (m_buffer_pos >= kSymbolBufferLimit) {
      SendBlock();
      m_buffer_pos = 0;
    }
    m_flag_pos = m_buffer_pos++;
    m_buffer[m_flag_pos] = 0;
  }
  m_buffer[m_buffer_pos++] = uint8_t(char_symbol);
  ++m_char_freq[char_symbol];
  if (char_symbol >= 256) {
    m_buffer[m_flag_pos] |= uint8_t(m_flag_mask);
    m_buffer[m_buffer_pos++] = uint8_t(offset_value >> 8);
    m_buffer[m_buffer_pos++] = uint8_t(offset_value);
    ++m_position_freq[std::bit_width(offset_value)];
  }
}

void TianoEncoder::EncodePosition(uint32_t offset_value) {
  const uint32_t bits = std::bit_width(offset_value);
  m_bits.PutBits(m_pt_length[bits], m_pt_code[bits]);
  // The top bit of the offset value is implied by its bit count.
  if (bits > 1) m_bits.PutBits(bits - 1, offset_value & ((1u << (bits - 1)) - 1));
}

// Runs of zero lengths are coded with extra symbols 0 (one zero), 1 (3..18 zeros, count in 4
// bits) and 2 (20 or more, count in 9 bits); 19 zeros are "0" then an 18-run.
void TianoEncoder::CountExtraFrequencies() {
  std::fill(m_extra_freq.begin(), m_extra_freq.begin() + kExtraSetSize, uint16_t(0));
  uint32_t n = kCharSetSize;
  while (n > 0 && m_char_length[n - 1] == 0) --n;
  uint32_t i = 0;
  while (i < n) {
    const uint32_t length = m_char_length[i++];
    if (length != 0) {
      ++m_extra_freq[length + 2];
      continue;
    }
    uint32_t run = 1;
    while (i < n && m_char_length[i] == 0) {
      ++i;
      ++run;
    }
    if (run <= 2) {
      m_extra_freq[0] = uint16_t(m_extra_freq[0] + run);
    } else if (run <= 18) {
      ++m_extra_freq[1];
    } else if (run == 19) {
      ++m_extra_freq[0];
      ++m_extra_freq[1];
    } else {
      ++m_extra_freq[2];
    }
  }
}

void TianoEncoder::WriteCharLengths() {
  uint32_t n = kCharSetSize;
  while (n > 0 && m_char_length[n - 1] == 0) --n;
  m_bits.PutBits(kCharCountBits, n);
  uint32_t i = 0;
  while (i < n) {
    const uint32_t length = m_char_length[i++];
    if (length != 0) {
      EncodeExtra(length + 2);
      continue;
    }
    uint32_t run = 1;
    while (i < n && m_char_length[i] == 0) {
      ++i;
      ++run;
    }
    if (run <= 2) {
      for (uint32_t k = 0; k < run; ++k) EncodeExtra(0);
    } else if (run <= 18) {
      EncodeExtra(1);
      m_bits.PutBits(4, run - 3);
    } else if (run == 19) {
      EncodeExtra(0);
      EncodeExtra(1);
      m_bits.PutBits(4, 15);
    } else {
      EncodeExtra(2);
      m_bits.PutBits(kCharCountBits, run - 20);
    }
  }
}

void TianoEncoder::WriteLengths(uint32_t count, uint32_t count_bits, uint32_t zero_run_point) {
  while (count > 0 && m_pt_length[count - 1] == 0) --count;
  m_bits.PutBits(count_bits, count);
  uint32_t i = 0;
  while (i < count) {
    const uint32_t length = m_pt_length[i++];
    if (length <= 6) {
      m_bits.PutBits(3, length);
    } else {
      // length - 4 one bits and a zero bit.
      m_bits.PutBits(length - 3, (1u << (length - 3)) - 2);
    }
    if (i == zero_run_point) {
      // Up to three zero lengths after the third are skipped with a 2-bit count.
      while (i < 6 && m_pt_length[i] == 0) ++i;
      m_bits.PutBits(2, (i - 3) & 3);
    }
  }
}

void TianoEncoder::SendBlock() {
  uint32_t root = m_huffman.Build(kCharSetSize, m_char_freq, m_char_length, m_char_code);
  const uint32_t symbol_count = m_char_freq[root];
  m_bits.PutBits(16, symbol_count);
  if (root >= kCharSetSize) {
    CountExtraFrequencies();
    root = m_huffman.Build(kExtraSetSize, m_extra_freq, m_pt_length, m_pt_code);
    if (root >= kExtraSetSize) {
      WriteLengths(kExtraSetSize, kExtraCountBits, kExtraZeroRunPoint);
    } else {
      m_bits.PutBits(kExtraCountBits, 0);
      m_bits.PutBits(kExtraCountBits, root);
    }
    WriteCharLengths();
  } else {
    // One symbol (or none): no lengths, just the symbol every code stands for.
    m_bits.PutBits(kExtraCountBits, 0);
    m_bits.PutBits(kExtraCountBits, 0);
    m_bits.PutBits(kCharCountBits, 0);
    m_bits.PutBits(kCharCountBits, root);
  }
  root = m_huffman.Build(kPositionSetSize, m_position_freq,
                         std::span(m_pt_length).first(kPositionSetSize),
                         std::span(m_pt_code).first(kPositionSetSize));
  if (root >= kPositionSetSize) {
    WriteLengths(kPositionSetSize, m_position_count_bits, kNoZeroRunPoint);
  } else {
    m_bits.PutBits(m_position_count_bits, 0);
    m_bits.PutBits(m_position_count_bits, root);
  }

  uint32_t pos = 0;
  uint32_t flags = 0;
  for (uint32_t i = 0; i < symbol_count; ++i) {
    if (i % 8 == 0) {
      flags = m_buffer[pos++];
    } else {
      flags <<= 1;
    }
    if (flags & 0x80) {
      EncodeChar(m_buffer[pos++] + 256u);
      uint32_t offset_value = uint32_t(m_buffer[pos++]) << 8;
      offset_value |= m_buffer[pos++];
      EncodePosition(offset_value);
    } else {
      EncodeChar(m_buffer[pos++]);
    }
  }
  std::fill(m_char_freq.begin(), m_char_freq.begin() + kCharSetSize, uint16_t(0));
  std::fill(m_position_freq.begin(), m_position_freq.begin() + kPositionSetSize, uint16_t(0));
}

// Encodes the whole stream, storing the bytes that fall inside `destination`; stream_size gets
// the size of all of it. kCodecSuccess, kCodecOutOfResources or kCodecInvalid.
CodecStatus EncodeStream(std::span<const uint8_t> source, std::span<uint8_t> destination,
                         uint32_t position_count_bits, uint64_t& stream_size) {
  std::unique_ptr<TianoEncoder> encoder;
  try {
    encoder = std::make_unique<TianoEncoder>(source, destination, position_count_bits);
  } catch (const std::bad_alloc&) {
    return kCodecOutOfResources;
  }
  encoder->Encode();

  const uint64_t produced = encoder->ProducedBytes();
  // The zero byte after the bit stream is counted in the header's compressed size.
  const uint64_t bit_stream_size = produced + 1;
  stream_size = kHeaderSize + bit_stream_size;
  if (stream_size > UINT32_MAX) return kCodecInvalid;
  if (kHeaderSize + produced < destination.size()) destination[kHeaderSize + produced] = 0;
  std::array<uint8_t, kHeaderSize> header;
  util::StoreLe32(header.data(), uint32_t(bit_stream_size));
  util::StoreLe32(header.data() + 4, uint32_t(source.size()));
  const size_t header_room = std::min<size_t>(kHeaderSize, destination.size());
  if (header_room != 0) std::memcpy(destination.data(), header.data(), header_room);
  return kCodecSuccess;
}

// Hands out a finished stream the way an encode into `destination` would have stored it.
CodecStatus Deliver(std::span<const uint8_t> stream, std::span<uint8_t> destination,
                    uint32_t& destination_size) {
  const size_t stored = std::min(stream.size(), destination.size());
  if (stored != 0) std::memcpy(destination.data(), stream.data(), stored);
  destination_size = uint32_t(stream.size());
  return stream.size() > destination.size() ? kCodecBufferTooSmall : kCodecSuccess;
}

TianoStreamMemo& ThreadMemo() {
  thread_local TianoStreamMemo memo;
  return memo;
}

}  // namespace

CodecStatus Tiano_Compress(std::span<const uint8_t> source, std::span<uint8_t> destination,
                           uint32_t& destination_size, uint32_t version) {
  if (version != 1 && version != 2) return kCodecInvalid;
  // The header counts the input in 32 bits.
  if (source.size() > UINT32_MAX) return kCodecInvalid;
  const uint32_t position_count_bits = version == 1 ? 4 : 5;

  TianoStreamMemo& memo = ThreadMemo();
  if (const auto kept = memo.Find(source, version); !kept.empty()) {
    const CodecStatus status = Deliver(kept, destination, destination_size);
    // The compression after the query is done; the memory goes.
    if (status == kCodecSuccess) memo.Release();
    return status;
  }

  uint64_t stream_size = 0;
  // A destination that may be too small is most likely a size query: the stream is made in the
  // memo's room and kept when it was one.
  if (source.size() <= TianoStreamMemo::kSourceLimit &&
      TianoStreamMemo::RoomSize(source.size()) > destination.size()) {
    const std::span<uint8_t> room = memo.Room(source.size());
    if (!room.empty()) {
      const CodecStatus status = EncodeStream(source, room, position_count_bits, stream_size);
      CodecStatus delivered = status;
      if (status == kCodecSuccess) {
        // Past the room's end only the size is known; the room still holds more bytes than the
        // destination takes.
        delivered = Deliver(room.first(std::min<uint64_t>(stream_size, room.size())), destination,
                            destination_size);
        destination_size = uint32_t(stream_size);
        if (stream_size > destination.size()) delivered = kCodecBufferTooSmall;
      }
      if (delivered == kCodecBufferTooSmall && stream_size <= room.size()) {
        memo.Keep(source, version, stream_size);
      } else {
        memo.Release();
      }
      return delivered;
    }
  }
  const CodecStatus status = EncodeStream(source, destination, position_count_bits, stream_size);
  if (status != kCodecSuccess) return status;
  destination_size = uint32_t(stream_size);
  return stream_size > destination.size() ? kCodecBufferTooSmall : kCodecSuccess;
}

}  // namespace kalvire::codec
