#include "rom/compressions_ahead.h"

#include <algorithm>
#include <cstdlib>
#include <system_error>

namespace kalvire::rom {

unsigned RebuildWorkerCount() {
  if (const char* set = std::getenv("KALVIRE_REBUILD_WORKERS")) {
    char* end = nullptr;
    const unsigned long count = std::strtoul(set, &end, 10);
    if (end != set && *end == '\0') return unsigned(std::min(count, 4ul));
  }
  return std::clamp(std::thread::hardware_concurrency(), 1u, 4u) - 1;
}

CompressionsAhead::CompressionsAhead(unsigned workers) {
  // A worker that cannot be started leaves its share to the others, or to the takers.
  try {
    for (unsigned i = 0; i < workers; ++i) m_workers.emplace_back([this] { Work(); });
  } catch (const std::system_error&) {
  }
}

CompressionsAhead::~CompressionsAhead() {
  {
    std::lock_guard lock(m_mutex);
    m_stopping = true;
    m_queue.clear();
  }
  m_changed.notify_all();
  for (std::thread& worker : m_workers) worker.join();
}

void CompressionsAhead::Start(std::span<const uint8_t> data, SectionCodec codec, uint32_t version) {
  auto job = std::make_shared<Job>();
  job->data.assign(data.begin(), data.end());
  job->codec = codec;
  job->version = version;
  {
    std::lock_guard lock(m_mutex);
    m_jobs.push_back(job);
    m_queue.push_back(std::move(job));
  }
  m_changed.notify_all();
}

void CompressionsAhead::Run(Job& job) {
  try {
    job.result = CompressSection(job.data, job.codec, job.version);
  } catch (...) {
    job.error = std::current_exception();
  }
}

void CompressionsAhead::Work() {
  std::unique_lock lock(m_mutex);
  for (;;) {
    m_changed.wait(lock, [this] { return m_stopping || !m_queue.empty(); });
    if (m_stopping) return;
    const std::shared_ptr<Job> job = std::move(m_queue.front());
    m_queue.pop_front();
    job->started = true;
    lock.unlock();
    Run(*job);
    lock.lock();
    job->done = true;
    m_changed.notify_all();
  }
}

std::optional<SectionCompression> CompressionsAhead::Take(std::span<const uint8_t> data,
                                                          SectionCodec codec, uint32_t version) {
  std::unique_lock lock(m_mutex);
  const auto found = std::find_if(m_jobs.begin(), m_jobs.end(), [&](const auto& job) {
    return job->codec == codec && job->version == version &&
           std::equal(job->data.begin(), job->data.end(), data.begin(), data.end());
  });
  if (found == m_jobs.end()) return std::nullopt;
  const std::shared_ptr<Job> job = *found;
  m_jobs.erase(found);
  if (!job->started) {
    // No worker has come to it: this thread does it rather than wait.
    m_queue.erase(std::find(m_queue.begin(), m_queue.end(), job));
    job->started = true;
    lock.unlock();
    Run(*job);
    lock.lock();
    job->done = true;
  }
  // While a worker is at it, this thread takes on the compressions no worker has begun.
  while (!job->done) {
    if (m_queue.empty()) {
      m_changed.wait(lock);
      continue;
    }
    const std::shared_ptr<Job> other = std::move(m_queue.front());
    m_queue.pop_front();
    other->started = true;
    lock.unlock();
    Run(*other);
    lock.lock();
    other->done = true;
    m_changed.notify_all();
  }
  if (job->error) std::rethrow_exception(job->error);
  return std::move(job->result);
}

}  // namespace kalvire::rom
