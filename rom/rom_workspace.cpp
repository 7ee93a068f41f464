#include "rom/rom_workspace.h"

namespace kalvire::rom {

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
