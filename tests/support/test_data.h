// Deterministic test inputs and access to the real images beside the repository.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace kalvire::test {

// Seeded pseudo-random bytes (xorshift), the same on every machine.
std::vector<uint8_t> RandomBytes(size_t size, uint64_t seed);

// A mix that exercises an LZ coder: runs of text words, zero runs and random stretches,
// chosen by a seeded generator.
std::vector<uint8_t> MixedCorpus(size_t size, uint64_t seed);

// The folder with the shared real images, or empty when it is absent. Tests call
// GTEST_SKIP() with a message naming the folder when this is empty.
std::optional<std::filesystem::path> SharedImagesDir();

// A whole text file; empty when it cannot be read.
std::string ReadTextFile(const std::filesystem::path& path);

// Whether UEFIExtract (Debian uefitool-cli), the independent parser some tests compare with,
// is on the PATH.
bool HaveUefiExtract();

// Reads or writes a whole file; fails the calling test when it cannot.
std::vector<uint8_t> ReadFileOrFail(const std::filesystem::path& path);
void WriteFileOrFail(const std::filesystem::path& path, const std::vector<uint8_t>& bytes);

// A new empty folder named after the running test, removed with what it holds at the end.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  std::string Path(const std::string& name) const { return (m_dir / name).string(); }
  // Writes `bytes` to Path(name) as WriteFileOrFail does; returns that path.
  std::string Write(const std::string& name, const std::vector<uint8_t>& bytes) const {
    WriteFileOrFail(Path(name), bytes);
    return Path(name);
  }
  const std::filesystem::path& dir() const { return m_dir; }

 private:
  std::filesystem::path m_dir;
};

}  // namespace kalvire::test
