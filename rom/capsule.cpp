#include "rom/capsule.h"

#include <algorithm>

#include "util/le.h"

namespace kalvire::rom {

std::optional<CapsuleHeader> FindSignedCapsule(std::span<const uint8_t> image) {
  if (!util::Fits(image, 0, kCapsuleHeaderFields)) return std::nullopt;
  CapsuleHeader header;
  std::copy_n(image.begin(), header.guid.size(), header.guid.begin());
  if (header.guid != kAptioSignedCapsuleGuid) return std::nullopt;
  header.header_size = *util::ReadLe32(image, 16);
  header.flags = *util::ReadLe32(image, 20);
  header.image_size = *util::ReadLe32(image, 24);
  if (header.header_size < kCapsuleHeaderFields || header.header_size > image.size()) {
    return std::nullopt;
  }
  return header;
}

std::string SignedCapsuleNotice(const CapsuleHeader& header) {
  return "Note: the image is a signed AMI Aptio capsule (" + FormatGuid(header.guid) +
         "). Its header is kept as it is, but after a save its signature will not match the "
         "image, so the vendor's flash tool may refuse the file.";
}

std::vector<std::string> ImageNotices(std::span<const uint8_t> image) {
  std::vector<std::string> notices;
  if (const auto capsule = FindSignedCapsule(image))
    notices.push_back(SignedCapsuleNotice(*capsule));
  return notices;
}

}  // namespace kalvire::rom
