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
      : m_destination(destination), m_cursor(start) {}

  // Appends the low `count` bits of `value` (count <= 16, value < 2^count).
  void PutBits(uint32_t count, uint32_t value) {
    if (count < m_free_bits) {
      m_free_bits -= count;
      m_pending |= value << m_free_bits;
      return;
    }
    count -= m_free_bits;
    Emit(m_pending | (value >> count));
    if (count < 8) {
      m_free_bits = 8 - count;
    } else {
      Emit(value >> (count - 8));
      m_free_bits = 16 - count;
    }
    m_pending = value << m_free_bits;
  }

  // Bytes produced so far, stored or not; a partial byte is not counted.
  uint64_t ProducedBytes() const { return m_produced; }

 private:
  void Emit(uint32_t byte) {
    if (m_cursor < m_destination.size()) m_destination[m_cursor] = uint8_t(byte);
    ++m_cursor;
    ++m_produced;
  }

  std::span<uint8_t> m_destination;
  uint64_t m_cursor;
  uint64_t m_produced = 0;
  uint32_t m_free_bits = 8;
  uint32_t m_pending = 0;  // only the low 8 bits matter; higher ones were emitted already
};

}  // namespace kalvire::codec
