#include "setup/ifr_walk.h"

#include "util/le.h"

namespace kalvire::setup {

std::vector<FormsPackageSpan> FormsPackageSpans(std::span<const uint8_t> setup_data,
                                                uint64_t first_package) {
  std::vector<FormsPackageSpan> packages;
  for (uint64_t package = first_package;;) {
    const auto header = util::ReadLe32(setup_data, package);
    if (!header || uint8_t(*header >> 24) != kPackageForms) break;
    const uint64_t length = *header & 0xFFFFFF;
    if (length < kPackageHeaderSize) break;
    if (length > setup_data.size() - package) {
      packages.push_back({package + kPackageHeaderSize, setup_data.size()});
      break;
    }
    packages.push_back({package + kPackageHeaderSize, package + length});
    package += length;
  }
  return packages;
}

std::vector<IfrOpcode> UnscopedOneOfOptions(std::span<const uint8_t> setup_data,
                                            uint64_t one_of_offset) {
  constexpr uint8_t kOpDefault = 0x5B;
  std::vector<IfrOpcode> options;
  const auto first_length = util::ReadU8(setup_data, one_of_offset + 1);
  if (!first_length || (*first_length & kOpcodeLengthMask) == 0) return options;
  const FormsPackageSpan rest{one_of_offset + (*first_length & kOpcodeLengthMask),
                              setup_data.size()};
  WalkIfrOpcodes(setup_data, rest, [&options](const IfrOpcode& op) {
    if (op.opcode == kOpOneOfOption) options.push_back(op);
    return op.opcode == kOpOneOfOption || op.opcode == kOpDefault;
  });
  return options;
}

}  // namespace kalvire::setup
