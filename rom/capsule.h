// Capsule headers that vendors ship in front of the BIOS region. The editor leaves a header's
// bytes as they are, but a signed capsule's signature covers the image behind it, so any edit
// breaks it: the person is told at Open, before they flash a file the vendor's tool refuses.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "rom/known_guids.h"

namespace kalvire::rom {

// The AMI Aptio capsule whose image is signed.
inline constexpr Guid kAptioSignedCapsuleGuid = MakeGuid("4A3CA68B-7723-48FB-803D-578CC1FEC44D");

// The first fields of every capsule header.
struct CapsuleHeader {
  Guid guid{};
  uint32_t header_size = 0;
  uint32_t flags = 0;
  uint32_t image_size = 0;
};
inline constexpr uint32_t kCapsuleHeaderFields = 28;

// The header at the start of `image` when it is a signed capsule whose sizes fit the file.
std::optional<CapsuleHeader> FindSignedCapsule(std::span<const uint8_t> image);

// What Open tells about such an image, once.
std::string SignedCapsuleNotice(const CapsuleHeader& header);

// Everything of that kind that `image` calls for: empty for a plain image.
std::vector<std::string> ImageNotices(std::span<const uint8_t> image);

}  // namespace kalvire::rom
