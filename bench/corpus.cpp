#include "corpus.h"

#include <cstdlib>
#include <cstring>
#include <string_view>

#include "codec/lzma_section.h"
#include "util/file_io.h"
#include "util/le.h"

namespace kalvire::bench {

namespace {

constexpr uint8_t kSectionPe32 = 0x10;
constexpr uint8_t kSectionGuidDefined = 0x02;
// EE4E5898-3914-4259-9D6E-DC7BD79403CF as stored: the LZMA GUID-defined section.
constexpr uint8_t kLzmaSectionGuid[16] = {0x98, 0x58, 0x4E, 0xEE, 0x14, 0x39, 0x59, 0x42,
                                          0x9D, 0x6E, 0xDC, 0x7B, 0xD7, 0x94, 0x03, 0xCF};

// A benchmark corpus needs no firmware walk: PE32 sections are recognised by their header
// (24-bit size, type 0x10) directly followed by the "MZ" signature.
void CollectPeSections(std::span<const uint8_t> data, std::vector<Module>& out) {
  for (size_t i = 0; i + 6 <= data.size(); ++i) {
    if (data[i + 3] != kSectionPe32 || data[i + 4] != 'M' || data[i + 5] != 'Z') continue;
    const uint32_t size = util::LoadLe24(&data[i]);
    if (size < 64 || !util::Fits(data, i, size)) continue;
    out.emplace_back(data.begin() + i + 4, data.begin() + i + size);
    i += size - 1;
  }
}

void CollectLzmaSections(std::span<const uint8_t> data, std::vector<Module>& out) {
  for (size_t i = 0; i + 24 + codec::kLzmaHeaderSize <= data.size(); ++i) {
    if (data[i + 3] != kSectionGuidDefined ||
        std::memcmp(&data[i + 4], kLzmaSectionGuid, sizeof kLzmaSectionGuid) != 0) {
      continue;
    }
    const uint32_t size = util::LoadLe24(&data[i]);
    const uint16_t data_offset = util::LoadLe16(&data[i + 20]);
    if (data_offset >= size || !util::Fits(data, i, size)) continue;
    const auto payload = data.subspan(i + data_offset, size - data_offset);
    const uint64_t decoded_size = codec::Lzma_GetDecodedSize(payload);
    if (decoded_size > (256u << 20)) continue;
    Module decoded(decoded_size);
    if (codec::Lzma_Decompress(payload, decoded) != codec::kCodecSuccess) continue;
    CollectPeSections(decoded, out);
    CollectLzmaSections(decoded, out);
  }
}

}  // namespace

const std::vector<Module>& OvmfPeModules() {
  static const std::vector<Module> modules = [] {
    std::vector<Module> found;
    std::vector<uint8_t> image;
    std::string error;
    if (!util::ReadWholeFile("/usr/share/ovmf/OVMF.fd", image, error)) return found;
    CollectPeSections(image, found);
    CollectLzmaSections(image, found);
    return found;
  }();
  return modules;
}

Module SyntheticCorpus(size_t size, uint64_t seed) {
  static constexpr std::string_view kWords[] = {
      "Setup",  "Boot",    "Enabled", "Disabled", "SATA",  "Controller", "Mode", "USB",
      "Legacy", "Support", "PCI",     "Express",  "Clock", "Voltage",    "CPU",  "Memory"};
  uint64_t state = seed * 0x9E3779B97F4A7C15ull + 3;
  auto next = [&state] {
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    return state;
  };
  Module out;
  out.reserve(size);
  while (out.size() < size) {
    const uint64_t pick = next();
    const size_t run = 16 + (pick >> 8) % 1024;
    switch (pick % 4) {
      case 0:
      case 1:
        for (size_t i = 0; i < run / 8; ++i) {
          const auto word = kWords[next() % std::size(kWords)];
          for (char c : word) {  // UTF-16LE, as HII strings are stored
            out.push_back(uint8_t(c));
            out.push_back(0);
          }
        }
        break;
      case 2:
        out.insert(out.end(), run, uint8_t(pick % 3 == 0 ? 0xFF : 0));
        break;
      default:
        for (size_t i = 0; i < run; ++i) out.push_back(uint8_t(next() >> 40));
    }
  }
  out.resize(size);
  return out;
}

std::filesystem::path SharedImages() {
  if (const char* dir = std::getenv("KALVIRE_SHARED_DIR")) {
    return std::filesystem::path(dir) / "images";
  }
  for (auto dir = std::filesystem::current_path(); dir != dir.parent_path();
       dir = dir.parent_path()) {
    if (std::filesystem::is_directory(dir / "shared" / "images")) return dir / "shared" / "images";
  }
  return {};
}

}  // namespace kalvire::bench
