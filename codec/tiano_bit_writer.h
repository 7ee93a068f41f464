// Bit output of the Tiano/EFI encoder: most significant bit first, bytes stored only while they
// fall inside the destination but always counted, so that a call without room still learns the
// stream's size.
#pragma once

#include <cstdint>
#include <span>

namespace kalvire::codec {

class TianoBitWriter {
 public:
  // Bytes go to `destination` from index `start` on.
  TianoBitWriter(std::span<uint8_t> destination, uint64_t start)
      : m_destination(destination), m_start(start), m_cursor(start) {}

  // Appends the low `count` bits of `value` (count <= 16, value < 2^count).
  void PutBits(uint32_t count, uint32_t value) {
    // Whole 32-bit groups leave at once: fewer than 32 bits wait, so 48 at most are held.
    m_bits = (m_bits << count) | value;
    m_bit_count += count;
    if (m_bit_count >= 32) {
      m_bit_count -= 32;
      EmitWord(uint32_t(m_bits >> m_bit_count));
    }
  }

  // Stores the whole bytes still held; a partial byte stays. Returns the bytes produced, stored
  // or not.
  uint64_t Finish() {
    for (; m_bit_count >= 8; m_bit_count -= 8) {
      EmitByte(uint8_t(m_bits >> (m_bit_count - 8)));
    }
    return m_cursor - m_start;
  }

 private:
  void EmitWord(uint32_t word) {
    if (m_cursor + 4 <= m_destination.size()) {
      uint8_t* out = m_destination.data() + m_cursor;
      out[0] = uint8_t(word >> 24);
      out[1] = uint8_t(word >> 16);
      out[2] = uint8_t(word >> 8);
      out[3] = uint8_t(word);
      m_cursor += 4;
      return;
    }
    for (int shift = 24; shift >= 0; shift -= 8) EmitByte(uint8_t(word >> shift));
  }

  void EmitByte(uint8_t byte) {
    if (m_cursor < m_destination.size()) m_destination[m_cursor] = byte;
    ++m_cursor;
  }

  std::span<uint8_t> m_destination;
  uint64_t m_start;
  uint64_t m_cursor;
  // The last m_bit_count bits are pending; higher ones were emitted already.
  uint64_t m_bits = 0;
  uint32_t m_bit_count = 0;
};

}  // namespace kalvire::codec
