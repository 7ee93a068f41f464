// The stream that the last size query on a thread produced, kept so that the compression which
// follows it (callers measure with an empty destination, then compress into a buffer of that
// size) copies the bytes instead of encoding the same input a second time.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace kalvire::codec {

class TianoStreamMemo {
 public:
  // Inputs above this size are encoded twice rather than held twice.
  static constexpr size_t kSourceLimit = 16u << 20;

  // Even input that does not compress at all codes to little more than its own size.
  static size_t RoomSize(size_t source_size) { return source_size + source_size / 2 + 4096; }

  // RoomSize(source_size) bytes where a measuring call encodes; forgets the stream kept before.
  // Empty when the memory is not available.
  std::span<uint8_t> Room(size_t source_size);

  // Keeps the first `stream_size` bytes of the room as the stream of `source` in `version`.
  void Keep(std::span<const uint8_t> source, uint32_t version, size_t stream_size);

  // The stream kept for exactly these bytes in `version`, else an empty span.
  std::span<const uint8_t> Find(std::span<const uint8_t> source, uint32_t version) const;

  // Frees the room and the kept copy.
  void Release();

 private:
  std::unique_ptr<uint8_t[]> m_room;
  size_t m_room_size = 0;
  std::vector<uint8_t> m_source;
  uint32_t m_version = 0;
  size_t m_stream_size = 0;  // 0: nothing kept (a stream has an 8-byte header at least)
};

}  // namespace kalvire::codec
