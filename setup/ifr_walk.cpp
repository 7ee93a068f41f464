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

}  // namespace kalvire::setup
