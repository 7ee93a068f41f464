// The NVRAM store file body of AMI firmware: "NVAR" entries, the first of them "StdDefaults",
// whose data holds the default variables as nested entries, then free space and the GUID store.
//
// NVAR entry: +0 "NVAR", +4 16-bit entry size (header, GUID index, name and data), +6 24-bit
// link to the next version (0xFFFFFF: none), +9 attributes, +10 GUID index into the store's
// GUID list, +11 ASCII name and its NUL, then the data. The GUID list sits at the end of the
// store, index 0 in the last 16 bytes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/hii_builder.h"

namespace kalvire::tools {

inline constexpr uint8_t kNvarRuntime = 0x01;
inline constexpr uint8_t kNvarAsciiName = 0x02;
inline constexpr uint8_t kNvarValid = 0x80;

struct NvarVariable {
  std::string name;
  Bytes data;
  uint8_t guid_index = 0;
  uint8_t attributes = kNvarValid | kNvarAsciiName | kNvarRuntime;
};

// One entry; throws when it exceeds the 16-bit size.
Bytes BuildNvarEntry(const NvarVariable& variable);

// The store body of `size` bytes: "StdDefaults" holding `defaults` and the part of the GUID list
// they use (nested entries' GUID indexes refer to the end of their own data), then `variables`,
// 0xFF free space, and `guids` at the end. Throws when it does not fit.
Bytes BuildNvramStore(const std::vector<NvarVariable>& defaults,
                      const std::vector<NvarVariable>& variables, const std::vector<Guid>& guids,
                      uint32_t size);

// The default contents of the variable of `varstore_id`: `size` zero bytes with every stored
// question's default value written little-endian at its VarOffset (checkboxes one byte).
Bytes BuildVariableDefaults(const HiiPackageList& list, uint16_t varstore_id, uint16_t size);

}  // namespace kalvire::tools
