#include "util/large_buffer.h"

#include <sys/mman.h>
#include <unistd.h>

namespace kalvire::util {

namespace {

constexpr size_t kHugePage = 2u << 20;

// Reserves `size` bytes without touching them and advises the kernel to back the whole 2 MiB
// pages inside with huge pages. Only advice: where it is refused, the buffer works as before.
void ReserveLarge(std::vector<uint8_t>& buffer, size_t size) {
  if (size < kHugePage || buffer.capacity() >= size) return;
  std::vector<uint8_t>().swap(buffer);
  buffer.reserve(size);
  const auto start = reinterpret_cast<uintptr_t>(buffer.data());
  const uintptr_t first = (start + kHugePage - 1) & ~uintptr_t(kHugePage - 1);
  const uintptr_t end = (start + size) & ~uintptr_t(kHugePage - 1);
  if (end > first) madvise(reinterpret_cast<void*>(first), end - first, MADV_HUGEPAGE);
}

}  // namespace

void ResizeLargeBuffer(std::vector<uint8_t>& buffer, size_t size) {
  ReserveLarge(buffer, size);
  buffer.assign(size, 0);
}

void AssignLargeBuffer(std::vector<uint8_t>& buffer, std::span<const uint8_t> bytes) {
  ReserveLarge(buffer, bytes.size());
  buffer.assign(bytes.begin(), bytes.end());
}

}  // namespace kalvire::util
