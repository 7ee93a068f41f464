// Image-sized byte buffers. Every fresh 4 KiB page costs a fault on first touch, and a 16 MiB
// image with its pristine copy and decoded volumes touches ten thousand of them on each Open;
// asking for transparent huge pages before the first touch turns that into a few dozen.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace kalvire::util {

// Resizes `buffer` to `size` bytes, all zero, preferring huge pages when it has to allocate.
void ResizeLargeBuffer(std::vector<uint8_t>& buffer, size_t size);

// Makes `buffer` an exact copy of `bytes`, preferring huge pages when it has to allocate.
void AssignLargeBuffer(std::vector<uint8_t>& buffer, std::span<const uint8_t> bytes);

}  // namespace kalvire::util
