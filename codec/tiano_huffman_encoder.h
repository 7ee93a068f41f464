// Code construction of the Tiano/EFI encoder: a Huffman tree from symbol frequencies, its code
// lengths limited to 16 bits, and canonical codes. The heap order, the tie breaking and the
// length limiting decide the exact output bytes, so they follow one fixed procedure.
#pragma once

#include <array>
#include <cstdint>
#include <span>

namespace kalvire::codec {

class TianoHuffmanEncoder {
 public:
  static constexpr uint32_t kMaxSymbols = 510;
  static constexpr uint32_t kMaxCodeLength = 16;

  // Builds the code over the first `symbol_count` frequencies (at most kMaxSymbols).
  // `frequencies` holds 2 * symbol_count - 1 entries: the tree's inner nodes, numbered from
  // symbol_count up, store their sums there. Fills `lengths` and `codes` (symbol_count entries
  // each; unused symbols get length 0) and returns the root: an inner node number
  // (>= symbol_count) when two or more symbols occur, else the one symbol that occurs (its
  // length and code 0), or 0 when none does.
  uint32_t Build(uint32_t symbol_count, std::span<uint16_t> frequencies, std::span<uint8_t> lengths,
                 std::span<uint16_t> codes);

 private:
  void SiftDown(uint32_t i);
  void CountLengths(uint32_t root);
  void LimitLengths();

  static constexpr uint32_t kMaxNodes = 2 * kMaxSymbols - 1;

  uint32_t m_symbol_count = 0;
  // 1-based; an entry holds its frequency above its node number, so the sifting compares
  // without looking the frequencies up.
  std::array<uint32_t, kMaxSymbols + 1> m_heap{};
  uint32_t m_heap_size = 0;
  std::array<uint16_t, kMaxNodes> m_left{};
  std::array<uint16_t, kMaxNodes> m_right{};
  // Symbols in the order the tree took them out of the heap, least frequent first.
  std::array<uint16_t, kMaxSymbols> m_sort_list{};
  std::array<uint16_t, kMaxCodeLength + 1> m_length_count{};
  std::array<uint16_t, kMaxNodes> m_stack{};
  std::array<uint16_t, kMaxNodes> m_depth{};
};

}  // namespace kalvire::codec
