// Lookups shared by the setup operations: string texts by id, nodes by tree item and back, and
// the two halves of a tree item's data.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "platform/controls.h"
#include "rom/rom_workspace.h"
#include "setup/setup_model.h"

namespace kalvire::setup {

// The text of string id `id` in the setup string table; empty for an id past the table.
std::string_view StringText(const rom::RomWorkspace& workspace, uint32_t id);

// The first node whose record carries `item`, scanning the records up to the node count.
std::optional<uint32_t> NodeOfItem(const SetupModel& model, platform::TreeItem item);

// The tree item of node `node`, or kNoItem for a number past the node count.
platform::TreeItem ItemOfNode(const SetupModel& model, uint32_t node);

// Tree item data: the IFR opcode in bits 24-31, its offset in the Setup data in bits 0-23.
inline uint32_t MakeItemData(uint8_t opcode, uint64_t offset) {
  return uint32_t(opcode) << 24 | uint32_t(offset & 0xFFFFFF);
}
inline uint8_t ItemOpcode(uint32_t data) {
  return uint8_t(data >> 24);
}
inline uint32_t ItemOffset(uint32_t data) {
  return data & 0xFFFFFF;
}

// Reads a value of `width` bytes (1, 2, 4 or 8) at `offset`; empty for another width or when
// it would leave the buffer.
std::optional<uint64_t> ReadValue(std::span<const uint8_t> data, uint64_t offset, int32_t width);

// Writes the low `width` bytes (1, 2, 4 or 8) of `value` at `offset`; false, writing nothing,
// for another width or when it would leave the buffer.
bool WriteValue(std::span<uint8_t> data, uint64_t offset, int32_t width, uint64_t value);

// Offsets of the ONE_OF_OPTION opcodes that follow the opcode at `one_of_offset`, up to the
// first END opcode (or an opcode of length 0, or the data's end).
std::vector<uint64_t> OneOfOptionOffsets(std::span<const uint8_t> setup_data,
                                         uint64_t one_of_offset);

}  // namespace kalvire::setup
