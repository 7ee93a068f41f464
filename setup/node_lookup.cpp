#include "setup/node_lookup.h"

#include <cstring>

#include "setup/ifr_layout.h"
#include "util/le.h"

namespace kalvire::setup {

std::string_view StringText(const rom::RomWorkspace& workspace, uint32_t id) {
  if (id >= workspace.m_strings.size()) return {};
  const auto& text = workspace.m_strings[id].text;
  return std::string_view(text.data(), strnlen(text.data(), text.size()));
}

std::optional<uint32_t> NodeOfItem(const SetupModel& model, platform::TreeItem item) {
  if (item == platform::kNoItem) return std::nullopt;
  for (uint32_t node = 0; node < model.node_count; ++node) {
    if (model.nodes[node].item == item) return node;
  }
  return std::nullopt;
}

platform::TreeItem ItemOfNode(const SetupModel& model, uint32_t node) {
  return node < model.node_count ? model.node_items[node] : platform::kNoItem;
}

std::optional<uint64_t> ReadValue(std::span<const uint8_t> data, uint64_t offset, int32_t width) {
  switch (width) {
    case 1:
      return util::ReadU8(data, offset);
    case 2:
      return util::ReadLe16(data, offset);
    case 4:
      return util::ReadLe32(data, offset);
    case 8:
      return util::ReadLe64(data, offset);
    default:
      return std::nullopt;
  }
}

bool WriteValue(std::span<uint8_t> data, uint64_t offset, int32_t width, uint64_t value) {
  if (ControlValueOffset(width) == 0 || !util::Fits(data, offset, uint64_t(width))) return false;
  uint8_t* place = data.data() + offset;
  switch (width) {
    case 1:
      *place = uint8_t(value);
      break;
    case 2:
      util::StoreLe16(place, uint16_t(value));
      break;
    case 4:
      util::StoreLe32(place, uint32_t(value));
      break;
    default:
      util::StoreLe64(place, value);
      break;
  }
  return true;
}

std::vector<uint64_t> OneOfOptionOffsets(std::span<const uint8_t> setup_data,
                                         uint64_t one_of_offset) {
  std::vector<uint64_t> options;
  const auto first_length = util::ReadU8(setup_data, one_of_offset + 1);
  if (!first_length) return options;
  uint64_t pos = one_of_offset + (*first_length & kOpcodeLengthMask);
  while (util::Fits(setup_data, pos, 2)) {
    const uint8_t opcode = setup_data[pos];
    const uint8_t length = setup_data[pos + 1] & kOpcodeLengthMask;
    if (opcode == kOpEnd || length == 0) break;
    if (opcode == kOpOneOfOption) options.push_back(pos);
    pos += length;
  }
  return options;
}

}  // namespace kalvire::setup
