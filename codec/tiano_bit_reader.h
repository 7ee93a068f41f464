// Most-significant-bit-first reader over the bit stream of a Tiano/EFI compressed stream.
//
// The format describes its reader as a 32-bit window that is refilled a byte at a time and
// that continues with zero bits once the declared stream bytes are used up. This reader keeps
// a 64-bit buffer instead and refills it eight bytes at a time while eight bytes remain, so
// that a whole symbol (and usually a whole match) is decoded from one refill. Near the end it
// fetches byte by byte; it never reads a byte outside the span it was given.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace kalvire::codec::detail {

class TianoBitReader {
 public:
  explicit TianoBitReader(std::span<const uint8_t> stream)
      : m_data(stream.data()), m_size(stream.size()) {
    Refill();
  }

  // Afterwards at least 56 bits are buffered (past the end of the stream: zero bits).
  void Refill() {
    if (m_size - m_pos >= 8) {
      // Bits of the byte after the whole ones taken here are also ORed in, below the valid
      // count; they are that byte's real bits, so ORing them again later changes nothing.
      m_bits |= LoadBigEndian64(m_data + m_pos) >> m_count;
      m_pos += (63 - m_count) >> 3;
      m_count |= 56;
    } else {
      RefillNearEnd();
    }
  }

  // The next 32 bits of the stream, the window that lookups and tree walks look at.
  // Valid after a Refill and up to 24 skipped bits.
  uint32_t Window() const { return uint32_t(m_bits >> 32); }

  // Drops `count` bits (at most the number buffered since the last Refill).
  void Skip(unsigned count) {
    m_bits <<= count;
    m_count -= count;
  }

  // Reads a `count`-bit field (1..32 bits), most significant bit first.
  uint32_t Get(unsigned count) {
    Refill();
    return Take(count);
  }

  // Get without the refill: `count` (1..32) must not exceed the bits left of the 56 buffered by
  // the last Refill.
  uint32_t Take(unsigned count) {
    const uint32_t value = uint32_t(m_bits >> (64 - count));
    Skip(count);
    return value;
  }

 private:
  static uint64_t LoadBigEndian64(const uint8_t* p) {
    return uint64_t(p[0]) << 56 | uint64_t(p[1]) << 48 | uint64_t(p[2]) << 40 |
           uint64_t(p[3]) << 32 | uint64_t(p[4]) << 24 | uint64_t(p[5]) << 16 |
           uint64_t(p[6]) << 8 | uint64_t(p[7]);
  }

  void RefillNearEnd() {
    while (m_count <= 56) {
      if (m_pos == m_size) {
        // Everything below the valid bits is zero by now, and the stream goes on as zeros.
        m_count = 64;
        return;
      }
      m_bits |= uint64_t(m_data[m_pos++]) << (56 - m_count);
      m_count += 8;
    }
  }

  const uint8_t* m_data;
  size_t m_size;
  size_t m_pos = 0;
  uint64_t m_bits = 0;
  unsigned m_count = 0;  // valid bits at the top of m_bits
};

}  // namespace kalvire::codec::detail
