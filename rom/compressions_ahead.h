// The compressions a save will need, started ahead on a small pool of worker threads, so that
// modules whose sections do not depend on each other are compressed at the same time. The
// rebuild steps still run one after the other, in their order, and take each result when they
// come to it; a result is handed out only for exactly the bytes, codec and version it was
// computed from, so the save writes what the sequential rebuild writes.
//
// The workers see nothing but their own copy of the input: they never touch a workspace or a
// prompter.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <thread>
#include <vector>

#include "rom/section_compression.h"

namespace kalvire::rom {

// Worker threads for the saves of this process, beside the saving thread, which compresses too:
// KALVIRE_REBUILD_WORKERS when set (0 compresses every section on the saving thread, in the
// rebuild's own order; at most 4), else one less than the hardware's threads, at most 3. A
// worker more than the cores leaves every compression slower and the save no faster.
unsigned RebuildWorkerCount();

class CompressionsAhead {
 public:
  explicit CompressionsAhead(unsigned workers);
  // Compressions not started yet are dropped; the running ones are waited for.
  ~CompressionsAhead();
  CompressionsAhead(const CompressionsAhead&) = delete;
  CompressionsAhead& operator=(const CompressionsAhead&) = delete;

  // Queues the compression of a copy of `data`. May throw std::bad_alloc.
  void Start(std::span<const uint8_t> data, SectionCodec codec, uint32_t version);

  // The result of a compression started for exactly these bytes, codec and version (0 for
  // LZMA), waiting
  // for it; one that no worker has begun runs on the calling thread, which also takes on the
  // others no worker has begun while it waits. nullopt when none was
  // started (or it was taken already). An exception the compression threw (std::bad_alloc) is
  // thrown here, on the caller's thread.
  std::optional<SectionCompression> Take(std::span<const uint8_t> data, SectionCodec codec,
                                         uint32_t version);

 private:
  struct Job {
    std::vector<uint8_t> data;
    SectionCodec codec;
    uint32_t version;
    bool started = false;
    bool done = false;
    SectionCompression result;
    std::exception_ptr error;
  };

  static void Run(Job& job);
  void Work();

  std::mutex m_mutex;
  std::condition_variable m_changed;
  std::deque<std::shared_ptr<Job>> m_queue;  // not started, in the order started
  std::vector<std::shared_ptr<Job>> m_jobs;  // not taken
  bool m_stopping = false;
  std::vector<std::thread> m_workers;
};

}  // namespace kalvire::rom
