// The walk over the forms packages' IFR opcodes that the node details and the node search
// share: the packages the parse walks, and the opcodes of one package with their scopes.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "setup/ifr_layout.h"

namespace kalvire::setup {

// The opcodes of one forms package lie in [begin, end) of the Setup module data.
struct FormsPackageSpan {
  uint64_t begin = 0;
  uint64_t end = 0;
};

// The forms packages from `first_package` on, as the parse takes them: every following package
// of type 2, the one running past the data cut at the data's end and ending the list.
std::vector<FormsPackageSpan> FormsPackageSpans(std::span<const uint8_t> setup_data,
                                                uint64_t first_package);

struct IfrOpcode {
  uint64_t offset = 0;
  uint8_t opcode = 0;
  uint8_t length = 0;  // 1 or more; the bytes lie inside the package
  bool opens_scope = false;
};

// Calls `visit(const IfrOpcode&)` for each opcode of `package` in order, until `visit` returns
// false or an opcode of length 0 or one running past the package ends the walk. Returns false
// when the walk was ended by malformed data.
template <typename Visit>
bool WalkIfrOpcodes(std::span<const uint8_t> setup_data, FormsPackageSpan package, Visit&& visit) {
  const uint64_t end = package.end < setup_data.size() ? package.end : setup_data.size();
  for (uint64_t pos = package.begin; pos < end;) {
    if (end - pos < 2) return false;
    const uint8_t length = setup_data[pos + 1] & kOpcodeLengthMask;
    if (length == 0 || length > end - pos) return false;
    const IfrOpcode op{pos, setup_data[pos], length, (setup_data[pos + 1] & kOpcodeScopeBit) != 0};
    if (!visit(op)) return true;
    pos += length;
  }
  return true;
}

// The ONE_OF_OPTION opcodes right after a one-of without a scope, as its options: up to the
// first opcode that is neither an option nor a DEFAULT.
std::vector<IfrOpcode> UnscopedOneOfOptions(std::span<const uint8_t> setup_data,
                                            uint64_t one_of_offset);

}  // namespace kalvire::setup
