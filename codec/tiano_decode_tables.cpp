#include "codec/tiano_decode_tables.h"

#include <algorithm>

namespace kalvire::codec::detail {
namespace {

// Entries of an earlier block's table that a build leaves in place decode with the lengths of
// now, as the symbol they name would.
void KeepLengthsCurrent(std::span<const uint8_t> lengths, std::span<uint16_t> table) {
  const auto symbol_count = uint16_t(lengths.size());
  for (uint16_t& entry : table) {
    const auto value = uint16_t(entry & kEntryValueMask);
    if (value < symbol_count) entry = SymbolEntry(value, lengths[value]);
  }
}

bool FailKeepingLengthsCurrent(std::span<const uint8_t> lengths, std::span<uint16_t> table) {
  KeepLengthsCurrent(lengths, table);
  return false;
}

}  // namespace

bool BuildDecodeTable(std::span<const uint8_t> lengths, int table_bits, std::span<uint16_t> table,
                      TianoDecodeTables& tables) {
  const auto symbol_count = uint16_t(lengths.size());
  uint16_t count[17] = {};
  for (uint8_t length : lengths) {
    if (length > 16) return FailKeepingLengthsCurrent(lengths, table);
    ++count[length];
  }

  // Start of each length's codes in the 16-bit code space. The sums wrap at 16 bits on
  // purpose: only a total that is a multiple of 2^16 passes, and the stream relies on that.
  uint16_t start[18] = {};
  for (int length = 1; length <= 16; ++length) {
    start[length + 1] = uint16_t(start[length] + (count[length] << (16 - length)));
  }
  if (start[17] != 0) return FailKeepingLengthsCurrent(lengths, table);

  const int shift = 16 - table_bits;
  uint16_t weight[17] = {};
  for (int length = 1; length <= table_bits; ++length) {
    start[length] = uint16_t(start[length] >> shift);
    weight[length] = uint16_t(1u << (table_bits - length));
  }
  for (int length = table_bits + 1; length <= 16; ++length) {
    weight[length] = uint16_t(1u << (16 - length));
  }

  // Entries after the short codes become tree roots below; they must not keep roots of an
  // earlier block. When no short code ends inside the table nothing is cleared.
  const uint32_t short_end = uint32_t(start[table_bits + 1] >> shift);
  if (short_end != 0) {
    std::fill(table.begin() + short_end, table.end(), uint16_t(0));
  } else {
    // No code fills an entry (or they fill all of them): entries stay as they were.
    KeepLengthsCurrent(lengths, table);
  }

  const auto table_size = uint32_t(table.size());
  const auto level_mask = uint16_t(1u << (15 - table_bits));
  uint16_t next_node = symbol_count;
  for (uint16_t symbol = 0; symbol < symbol_count; ++symbol) {
    const int length = lengths[symbol];
    if (length == 0) continue;
    const auto code_end = uint16_t(start[length] + weight[length]);
    if (length <= table_bits) {
      if (code_end > table_size) return FailKeepingLengthsCurrent(lengths, table);
      std::fill(table.begin() + start[length], table.begin() + code_end,
                SymbolEntry(symbol, uint8_t(length)));
    } else {
      uint16_t code = start[length];
      uint16_t* slot = &table[code >> shift];
      // Only the first slot is a table entry; the length bits of one are not part of its value.
      for (int level = length - table_bits; level != 0; --level) {
        uint16_t value = *slot & kEntryValueMask;
        if (value == 0 && next_node < kTreeNodeLimit) {
          tables.left[next_node] = tables.right[next_node] = 0;
          value = *slot = next_node++;
        }
        if (value < kTreeNodeLimit) {
          slot = (code & level_mask) != 0 ? &tables.right[value] : &tables.left[value];
        }
        code = uint16_t(code << 1);
      }
      *slot = symbol;
    }
    start[length] = code_end;
  }
  return true;
}

}  // namespace kalvire::codec::detail
