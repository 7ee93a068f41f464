// Little-endian loads and stores on byte buffers. Firmware structures are little-endian
// whatever the host is; values are assembled byte by byte so no alignment is assumed.
//
// The util/ folder: byte access with wrap-free bounds checks, hex text and file reading and
// writing. It uses no other folder.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <span>

namespace kalvire::util {

inline uint16_t LoadLe16(const uint8_t* p) {
  return uint16_t(p[0] | (p[1] << 8));
}
inline uint32_t LoadLe24(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16;
}
inline uint32_t LoadLe32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
inline uint64_t LoadLe64(const uint8_t* p) {
  return LoadLe32(p) | uint64_t(LoadLe32(p + 4)) << 32;
}

inline void StoreLe16(uint8_t* p, uint16_t v) {
  p[0] = uint8_t(v);
  p[1] = uint8_t(v >> 8);
}
inline void StoreLe24(uint8_t* p, uint32_t v) {
  p[0] = uint8_t(v);
  p[1] = uint8_t(v >> 8);
  p[2] = uint8_t(v >> 16);
}
inline void StoreLe32(uint8_t* p, uint32_t v) {
  StoreLe16(p, uint16_t(v));
  StoreLe16(p + 2, uint16_t(v >> 16));
}
inline void StoreLe64(uint8_t* p, uint64_t v) {
  StoreLe32(p, uint32_t(v));
  StoreLe32(p + 4, uint32_t(v >> 32));
}

// Bounds-checked reads at an offset: empty when [offset, offset + width) leaves the buffer.
// The tests are written without offset + width so that a huge offset cannot wrap.
inline bool Fits(std::span<const uint8_t> buf, uint64_t offset, uint64_t width) {
  return offset <= buf.size() && width <= buf.size() - offset;
}
inline std::optional<uint8_t> ReadU8(std::span<const uint8_t> buf, uint64_t offset) {
  if (!Fits(buf, offset, 1)) return std::nullopt;
  return buf[offset];
}
inline std::optional<uint16_t> ReadLe16(std::span<const uint8_t> buf, uint64_t offset) {
  if (!Fits(buf, offset, 2)) return std::nullopt;
  return LoadLe16(buf.data() + offset);
}
inline std::optional<uint32_t> ReadLe24(std::span<const uint8_t> buf, uint64_t offset) {
  if (!Fits(buf, offset, 3)) return std::nullopt;
  return LoadLe24(buf.data() + offset);
}
inline std::optional<uint32_t> ReadLe32(std::span<const uint8_t> buf, uint64_t offset) {
  if (!Fits(buf, offset, 4)) return std::nullopt;
  return LoadLe32(buf.data() + offset);
}
inline std::optional<uint64_t> ReadLe64(std::span<const uint8_t> buf, uint64_t offset) {
  if (!Fits(buf, offset, 8)) return std::nullopt;
  return LoadLe64(buf.data() + offset);
}
// A sub-span, or empty optional when it would leave the buffer.
inline std::optional<std::span<const uint8_t>> Slice(std::span<const uint8_t> buf, uint64_t offset,
                                                     uint64_t width) {
  if (!Fits(buf, offset, width)) return std::nullopt;
  return buf.subspan(offset, width);
}

}  // namespace kalvire::util
