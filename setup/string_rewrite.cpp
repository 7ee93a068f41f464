#include "setup/string_rewrite.h"

#include <algorithm>

namespace kalvire::setup {

std::vector<uint8_t> SpliceModule(std::span<const uint8_t> data, const StringPlace& place,
                                  std::span<const uint8_t> new_text, uint64_t middle_end,
                                  uint64_t padding, uint64_t tail_start) {
  const uint64_t string_end = place.position + place.old_length;
  std::vector<uint8_t> out;
  out.reserve(place.position + new_text.size() + (middle_end - string_end) + padding +
              (data.size() - tail_start));
  out.insert(out.end(), data.begin(), data.begin() + place.position);
  out.insert(out.end(), new_text.begin(), new_text.end());
  out.insert(out.end(), data.begin() + string_end, data.begin() + middle_end);
  out.insert(out.end(), padding, kPaddingByte);
  out.insert(out.end(), data.begin() + tail_start, data.end());
  return out;
}

}  // namespace kalvire::setup
