// Decode tables of the Tiano/EFI bit stream: the code-length lists of the three code sets,
// their lookup tables and the pool of tree nodes that continues codes longer than a table's
// width. The struct lives in the caller's scratch area and survives from block to block:
// a block may decode through entries an earlier block left behind, exactly as the format's
// own decoder does.
#pragma once

#include <cstdint>
#include <span>

namespace kalvire::codec::detail {

inline constexpr uint16_t kCharSetSize = 510;  // 256 literals and 254 match lengths
inline constexpr uint16_t kExtraSetSize = 19;
inline constexpr uint16_t kPositionSetSize = 31;
// Node numbers stay below this; every value stored in a table or a child slot is a symbol
// (below 510), a node number, or a single-code value read from 9 bits (below 512), so a
// child index never leaves the pool.
inline constexpr uint16_t kTreeNodeLimit = 2 * kCharSetSize - 1;
inline constexpr int kCharTableBits = 12;
inline constexpr int kSmallTableBits = 8;  // extra set and position set

// A table entry holds a symbol or a node number in its low bits; for a symbol whose code fits the
// table, its code length sits above (so the symbol loop needs one load, not two). Tree nodes
// and the other entries keep 0 there.
inline constexpr uint16_t kEntryValueMask = 0x3FF;
inline constexpr int kEntryLengthShift = 10;
static_assert(kTreeNodeLimit <= kEntryValueMask + 1);

struct TianoDecodeTables {
  uint16_t left[kTreeNodeLimit];
  uint16_t right[kTreeNodeLimit];
  uint16_t char_table[1 << kCharTableBits];
  uint16_t small_table[1 << kSmallTableBits];  // extra set, then position set
  uint8_t char_lengths[kCharSetSize];
  uint8_t small_lengths[kPositionSetSize];  // extra set, then position set
};

// Builds the canonical-code lookup `table` (2^table_bits entries) for `lengths`, one per
// symbol; codes longer than table_bits continue as tree nodes numbered from lengths.size().
// Returns false for a length above 16, for lengths whose code space does not add up to a
// multiple of 2^16, and for a code that would fill past the table; the table may then be
// partly built, and the caller decides whether that matters. Either way every symbol entry
// carries the length `lengths` gives it now.
bool BuildDecodeTable(std::span<const uint8_t> lengths, int table_bits, std::span<uint16_t> table,
                      TianoDecodeTables& tables);

inline constexpr uint16_t kWalkCircles = 0xFFFF;

// The entry for `symbol` whose code fills table entries.
inline uint16_t SymbolEntry(uint16_t symbol, uint8_t length) {
  return uint16_t(symbol | length << kEntryLengthShift);
}

// Follows tree nodes from `node` (a table entry of symbol_count or more), one bit of `bits`
// per level starting at its top bit; bits run out as zeros. Returns the symbol, or
// kWalkCircles when the nodes form a loop that the walk would never leave: tables built from
// hostile lengths can chain a node to itself. Every walk that ends does so within the bound.
inline uint16_t WalkTree(const TianoDecodeTables& tables, uint16_t node, uint32_t bits,
                         uint16_t symbol_count) {
  constexpr int kMaxSteps = 32 + kTreeNodeLimit;
  for (int step = 0; step < kMaxSteps; ++step) {
    node = (bits & 0x80000000u) != 0 ? tables.right[node] : tables.left[node];
    bits <<= 1;
    if (node < symbol_count) return node;
  }
  return kWalkCircles;
}

}  // namespace kalvire::codec::detail
