// The two ways the Setup module data is rewritten around a replaced string: the package list as
// the .rsrc resource of a PE32+ image, and the package list in a section of its own. Both build
// the new module data in a separate buffer, so that a refusal or a failed allocation leaves the
// workspace as it was.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "rom/rom_workspace.h"

namespace kalvire::setup {

// Where the string to replace lies in the Setup module data.
struct StringPlace {
  uint64_t position = 0;    // first byte of its UCS-2 text, just after its 0x14 block byte
  uint64_t old_length = 0;  // bytes of UCS-2 text before the 16-bit zero
};

// The new module data and where every old byte went: bytes before the old string's end keep
// their offset, bytes from there to the tail move by `delta`, the tail by `tail_shift`.
struct ModuleRewrite {
  std::vector<uint8_t> data;
  uint64_t string_end = 0;
  int64_t delta = 0;
  uint64_t tail_start = 0;
  int64_t tail_shift = 0;

  uint64_t MapOffset(uint64_t old_offset) const {
    if (old_offset < string_end) return old_offset;
    return old_offset + (old_offset < tail_start ? delta : tail_shift);
  }
};

// A rewrite, or the message that refuses it.
struct RewriteResult {
  std::optional<ModuleRewrite> rewrite;
  const char* message = nullptr;
};

// The checks that come before anything else in the PE32 layout, in their order: a PE32 section,
// an "MZ" image with a PE header, a ".rsrc" section. nullptr when all pass, else the message.
const char* CheckPe32Module(std::span<const uint8_t> data);

// PE32 layout: the resource directory's size, .rsrc's VirtualSize, the resource data entry's
// size, the package list length and the string package length change by the string's change;
// the padding behind the list is redone for the SectionAlignment; SizeOfInitializedData,
// SizeOfImage, the PE32 section size, .rsrc's SizeOfRawData and the sections behind .rsrc move
// with the relocation data behind the list.
RewriteResult RewritePe32(std::span<const uint8_t> data, const rom::SetupPackages& packages,
                          const StringPlace& place, std::span<const uint8_t> new_text);

// Section layout: the section's size and the string package length change by the string's
// change, the 4-byte padding behind the section is redone and what follows moves with it.
RewriteResult RewriteSection(std::span<const uint8_t> data, const rom::SetupPackages& packages,
                             const StringPlace& place, std::span<const uint8_t> new_text);

// Shared by both layouts.
inline constexpr uint32_t kMax24 = 0xFFFFFF;
inline constexpr uint8_t kPaddingByte = 0xFD;
inline constexpr uint64_t kPackageListHeader = 20;  // GUID and 32-bit length

inline uint64_t PaddingTo(uint64_t value, uint64_t alignment) {
  return (alignment - value % alignment) % alignment;
}

// data[0, position) + new_text + data[string_end, middle_end) + padding + data[tail_start, end).
std::vector<uint8_t> SpliceModule(std::span<const uint8_t> data, const StringPlace& place,
                                  std::span<const uint8_t> new_text, uint64_t middle_end,
                                  uint64_t padding, uint64_t tail_start);

}  // namespace kalvire::setup
