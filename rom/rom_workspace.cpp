#include "rom/rom_workspace.h"

#include "util/hex_text.h"

namespace kalvire::rom {

std::string PositionText(BufferPos pos) {
  if (pos.buffer == kWorkingImageBuffer) return "image offset " + util::HexText(pos.offset);
  return "offset " + util::HexText(pos.offset) + " of decoded volume " + std::to_string(pos.buffer);
}

RomWorkspace::RomWorkspace()
    : m_strings(kStringCapacity), m_volumes(kVolumeCapacity), m_files(kFileCapacity) {}

std::span<uint8_t> RomWorkspace::Buffer(uint32_t id) {
  if (id == kWorkingImageBuffer) return m_working_image;
  if (id - 1 < m_decoded_volumes.size()) return m_decoded_volumes[id - 1];
  return {};
}

std::span<const uint8_t> RomWorkspace::Buffer(uint32_t id) const {
  return const_cast<RomWorkspace*>(this)->Buffer(id);
}

}  // namespace kalvire::rom
