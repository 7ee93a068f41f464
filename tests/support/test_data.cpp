#include "support/test_data.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string_view>

#include "util/file_io.h"

namespace kalvire::test {

namespace {

struct XorShift {
  uint64_t state;
  uint64_t Next() {
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    return state;
  }
};

}  // namespace

std::vector<uint8_t> RandomBytes(size_t size, uint64_t seed) {
  XorShift rng{seed * 0x9E3779B97F4A7C15ull + 1};
  std::vector<uint8_t> out(size);
  for (auto& b : out) b = uint8_t(rng.Next() >> 24);
  return out;
}

std::vector<uint8_t> MixedCorpus(size_t size, uint64_t seed) {
  static constexpr std::string_view kWords[] = {
      "Setup",  "Boot",    "Enabled", "Disabled", "SATA",  "Controller", "Mode", "USB",
      "Legacy", "Support", "PCI",     "Express",  "Clock", "Voltage",    "CPU",  "Memory"};
  XorShift rng{seed * 0x9E3779B97F4A7C15ull + 7};
  std::vector<uint8_t> out;
  out.reserve(size);
  while (out.size() < size) {
    const uint64_t pick = rng.Next();
    const size_t run = 16 + (pick >> 8) % 512;
    switch (pick % 4) {
      case 0:
      case 1:
        for (size_t i = 0; i < run; ++i) {
          const auto word = kWords[rng.Next() % std::size(kWords)];
          out.insert(out.end(), word.begin(), word.end());
          out.push_back(uint8_t(rng.Next() % 3 == 0 ? 0 : ' '));
        }
        break;
      case 2:
        out.insert(out.end(), run, uint8_t(pick % 5 == 0 ? 0xFF : 0));
        break;
      default:
        for (size_t i = 0; i < run; ++i) out.push_back(uint8_t(rng.Next() >> 32));
    }
  }
  out.resize(size);
  return out;
}

std::optional<std::filesystem::path> SharedImagesDir() {
  const char* shared = std::getenv("KALVIRE_SHARED_DIR");
  std::filesystem::path dir =
      shared ? std::filesystem::path(shared) / "images" : "../shared/images";
  std::error_code ec;
  if (!std::filesystem::is_directory(dir, ec)) return std::nullopt;
  return dir;
}

std::vector<uint8_t> ReadFileOrFail(const std::filesystem::path& path) {
  std::vector<uint8_t> data;
  std::string error;
  if (!util::ReadWholeFile(path, data, error)) ADD_FAILURE() << error;
  return data;
}

void WriteFileOrFail(const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
  std::string error;
  if (!util::WriteWholeFileAtomic(path, bytes, error)) ADD_FAILURE() << error;
}

TempDir::TempDir() {
  const auto* info = testing::UnitTest::GetInstance()->current_test_info();
  std::string name = std::string(info->test_suite_name()) + "_" + info->name();
  std::replace(name.begin(), name.end(), '/', '_');
  static int made = 0;  // one test may hold several
  m_dir = std::filesystem::temp_directory_path() /
          ("kalvire_" + std::to_string(::getpid()) + "_" + name + "_" + std::to_string(made++));
  std::filesystem::remove_all(m_dir);
  std::filesystem::create_directories(m_dir);
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(m_dir, ignored);
}

std::string ReadTextFile(const std::filesystem::path& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

bool HaveUefiExtract() {
  return std::system("command -v UEFIExtract >/dev/null 2>&1") == 0;
}

}  // namespace kalvire::test
