#include "codec/tiano_stream_memo.h"

#include <cstring>
#include <new>

namespace kalvire::codec {

std::span<uint8_t> TianoStreamMemo::Room(size_t source_size) {
  m_stream_size = 0;
  const size_t size = RoomSize(source_size);
  if (size > m_room_size) {
    m_room.reset(new (std::nothrow) uint8_t[size]);
    m_room_size = m_room ? size : 0;
    if (!m_room) return {};
  }
  return {m_room.get(), size};
}

void TianoStreamMemo::Keep(std::span<const uint8_t> source, uint32_t version, size_t stream_size) {
  m_stream_size = 0;
  try {
    m_source.assign(source.begin(), source.end());
  } catch (const std::bad_alloc&) {
    return;
  }
  m_version = version;
  m_stream_size = stream_size;
}

std::span<const uint8_t> TianoStreamMemo::Find(std::span<const uint8_t> source,
                                               uint32_t version) const {
  if (m_stream_size == 0 || version != m_version || source.size() != m_source.size()) return {};
  if (!source.empty() && std::memcmp(source.data(), m_source.data(), source.size()) != 0) return {};
  return {m_room.get(), m_stream_size};
}

void TianoStreamMemo::Release() {
  m_room.reset();
  m_room_size = 0;
  m_stream_size = 0;
  m_source = {};
}

}  // namespace kalvire::codec
