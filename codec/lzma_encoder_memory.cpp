#include "codec/lzma_encoder_memory.h"

#include <cstddef>
#include <cstdlib>
#include <mutex>
#include <new>
#include <vector>

namespace kalvire::codec {
namespace {

// Smaller blocks come and go cheaply through malloc.
constexpr size_t kKeptBlockMin = size_t(1) << 20;
// Enough for the blocks of two compressions at once (a save's saving thread and its worker).
constexpr size_t kKeptBlockMax = 8;

// Each block starts with its size, so that a freed block can be filed under it.
struct alignas(std::max_align_t) BlockHeader {
  size_t size;
};

class BlockStore {
 public:
  void* Take(size_t size) {
    if (size >= kKeptBlockMin) {
      std::lock_guard lock(m_mutex);
      for (auto it = m_kept.begin(); it != m_kept.end(); ++it) {
        if ((*it)->size == size) {
          BlockHeader* block = *it;
          m_kept.erase(it);
          return block + 1;
        }
      }
    }
    auto* block = static_cast<BlockHeader*>(std::malloc(sizeof(BlockHeader) + size));
    if (!block) return nullptr;
    block->size = size;
    return block + 1;
  }

  void Give(void* data) {
    if (!data) return;
    BlockHeader* block = static_cast<BlockHeader*>(data) - 1;
    if (block->size >= kKeptBlockMin) {
      std::lock_guard lock(m_mutex);
      if (m_kept.size() < kKeptBlockMax) {
        m_kept.push_back(block);
        return;
      }
    }
    std::free(block);
  }

  void ReleaseAll() {
    std::vector<BlockHeader*> kept;
    {
      std::lock_guard lock(m_mutex);
      kept.swap(m_kept);
    }
    for (BlockHeader* block : kept) std::free(block);
  }

 private:
  std::mutex m_mutex;
  std::vector<BlockHeader*> m_kept;
};

BlockStore& Store() {
  static BlockStore* store = new BlockStore;  // lives as long as the process's last compression
  return *store;
}

void* Allocate(void*, size_t count, size_t size) {
  if (size != 0 && count > (SIZE_MAX - sizeof(BlockHeader)) / size) return nullptr;
  try {
    return Store().Take(count * size);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

void Release(void*, void* data) {
  Store().Give(data);
}

const lzma_allocator kAllocator{Allocate, Release, nullptr};

}  // namespace

const lzma_allocator* LzmaEncoderAllocator() {
  return &kAllocator;
}

void ReleaseLzmaEncoderMemory() {
  Store().ReleaseAll();
}

}  // namespace kalvire::codec
