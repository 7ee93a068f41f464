#include "codec/tiano_huffman_encoder.h"

#include <algorithm>

namespace kalvire::codec {

void TianoHuffmanEncoder::SiftDown(uint32_t i) {
  const uint32_t k = m_heap[i];
  uint32_t j;
  while ((j = 2 * i) <= m_heap_size) {
    // On equal frequencies the left child stays.
    if (j < m_heap_size && m_heap[j] >> 16 > m_heap[j + 1] >> 16) ++j;
    if (k >> 16 <= m_heap[j] >> 16) break;
    m_heap[i] = m_heap[j];
    i = j;
  }
  m_heap[i] = k;
}

void TianoHuffmanEncoder::CountLengths(uint32_t root) {
  m_length_count.fill(0);
  uint32_t top = 0;
  m_stack[top] = uint16_t(root);
  m_depth[top++] = 0;
  // Each inner node is pushed once and replaced by its two children, so the stack never holds
  // more entries than the tree has nodes.
  while (top > 0) {
    --top;
    const uint16_t node = m_stack[top];
    const uint16_t depth = m_depth[top];
    if (node < m_symbol_count) {
      ++m_length_count[std::min<uint32_t>(depth, kMaxCodeLength)];
      continue;
    }
    m_stack[top] = m_left[node];
    m_depth[top++] = depth + 1;
    m_stack[top] = m_right[node];
    m_depth[top++] = depth + 1;
  }
}

void TianoHuffmanEncoder::LimitLengths() {
  // Leaves deeper than the longest code were counted at 16, which overfills the code space;
  // each round below gives back one unit of 2^-16 until the lengths form a complete code.
  uint32_t cum = 0;
  for (uint32_t length = kMaxCodeLength; length > 0; --length) {
    cum += uint32_t(m_length_count[length]) << (kMaxCodeLength - length);
  }
  while (cum != (1u << kMaxCodeLength)) {
    --m_length_count[kMaxCodeLength];
    for (uint32_t length = kMaxCodeLength - 1; length > 0; --length) {
      if (m_length_count[length] != 0) {
        --m_length_count[length];
        m_length_count[length + 1] += 2;
        break;
      }
    }
    --cum;
  }
}

uint32_t TianoHuffmanEncoder::Build(uint32_t symbol_count, std::span<uint16_t> frequencies,
                                    std::span<uint8_t> lengths, std::span<uint16_t> codes) {
  m_symbol_count = symbol_count;
  m_heap_size = 0;
  m_heap[1] = 0;
  for (uint32_t symbol = 0; symbol < symbol_count; ++symbol) {
    lengths[symbol] = 0;
    codes[symbol] = 0;
    if (frequencies[symbol] != 0)
      m_heap[++m_heap_size] = uint32_t(frequencies[symbol]) << 16 | symbol;
  }
  if (m_heap_size < 2) return m_heap[1] & 0xFFFF;

  for (uint32_t i = m_heap_size / 2; i >= 1; --i) SiftDown(i);
  uint32_t sorted = 0;
  uint32_t next_node = symbol_count;
  uint32_t node;
  do {
    const uint16_t i = uint16_t(m_heap[1]);
    if (i < symbol_count) m_sort_list[sorted++] = i;
    m_heap[1] = m_heap[m_heap_size--];
    SiftDown(1);
    const uint16_t j = uint16_t(m_heap[1]);
    if (j < symbol_count) m_sort_list[sorted++] = j;
    node = next_node++;
    frequencies[node] = uint16_t(frequencies[i] + frequencies[j]);
    m_heap[1] = uint32_t(frequencies[node]) << 16 | node;
    SiftDown(1);
    m_left[node] = i;
    m_right[node] = j;
  } while (m_heap_size > 1);

  CountLengths(node);
  LimitLengths();
  // The least frequent symbols, taken out first, get the longest codes.
  uint32_t taken = 0;
  for (uint32_t length = kMaxCodeLength; length > 0; --length) {
    for (uint32_t k = m_length_count[length]; k > 0; --k) {
      lengths[m_sort_list[taken++]] = uint8_t(length);
    }
  }

  std::array<uint16_t, kMaxCodeLength + 2> start{};
  for (uint32_t length = 1; length <= kMaxCodeLength; ++length) {
    start[length + 1] = uint16_t((start[length] + m_length_count[length]) << 1);
  }
  for (uint32_t symbol = 0; symbol < symbol_count; ++symbol) {
    if (lengths[symbol] != 0) codes[symbol] = start[lengths[symbol]]++;
  }
  return node;
}

}  // namespace kalvire::codec
