#include "rom/known_guids.h"

#include <algorithm>

namespace kalvire::rom {

std::string FormatGuid(std::span<const uint8_t, 16> guid) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  static constexpr int kOrder[16] = {3, 2, 1, 0, 5, 4, 7, 6, 8, 9, 10, 11, 12, 13, 14, 15};
  std::string text;
  for (int i = 0; i < 16; ++i) {
    if (i == 4 || i == 6 || i == 8 || i == 10) text += '-';
    const uint8_t byte = guid[kOrder[i]];
    text += kHex[byte >> 4];
    text += kHex[byte & 15];
  }
  return text;
}

int FindGuid(const Guid& guid, std::span<const uint8_t> buffer, uint64_t* after) {
  const auto found = std::search(buffer.begin(), buffer.end(), guid.begin(), guid.end());
  if (found == buffer.end()) return 0;
  if (after) *after = uint64_t(found - buffer.begin()) + guid.size();
  return 1;
}

}  // namespace kalvire::rom
