// Opening sample.rom, whole and step by step: reading the file, walking its volumes (which
// decodes the nested LZMA volume), extracting the three modules (Tiano/EFI decoding), and the
// rest of Open (string table, setup parse, baseline, DMI parse).
#include <benchmark/benchmark.h>

#include <unistd.h>
#include <cstring>
#include <filesystem>
#include <string>

#include "codec/lzma_section.h"
#include "editor/headless_view.h"
#include "editor/open_image.h"
#include "rom/firmware_walk.h"
#include "rom/module_extract.h"
#include "tools/sample_image.h"
#include "util/file_io.h"
#include "util/le.h"

namespace kalvire::bench {
namespace {

const std::vector<uint8_t>& SampleImage() {
  static const std::vector<uint8_t> image = tools::BuildSampleImage();
  return image;
}

const std::string& SamplePath() {
  static const std::string path = [] {
    const auto file = std::filesystem::temp_directory_path() /
                      ("kalvire-open-bench-" + std::to_string(::getpid()) + ".rom");
    std::string error;
    util::WriteWholeFileAtomic(file, SampleImage(), error);
    return file.string();
  }();
  return path;
}

// The LZMA payload of the nested volume: the largest LZMA GUID-defined section in the image.
std::span<const uint8_t> NestedVolumePayload() {
  static constexpr uint8_t kLzmaGuid[16] = {0x98, 0x58, 0x4E, 0xEE, 0x14, 0x39, 0x59, 0x42,
                                            0x9D, 0x6E, 0xDC, 0x7B, 0xD7, 0x94, 0x03, 0xCF};
  const auto& image = SampleImage();
  std::span<const uint8_t> best;
  for (size_t i = 0; i + 24 <= image.size(); ++i) {
    if (image[i + 3] != 0x02 || std::memcmp(&image[i + 4], kLzmaGuid, 16) != 0) continue;
    const uint32_t size = util::LoadLe24(&image[i]);
    const uint16_t data_offset = util::LoadLe16(&image[i + 20]);
    if (data_offset >= size || size > image.size() - i) continue;
    if (size - data_offset > best.size()) {
      best = std::span(image).subspan(i + data_offset, size - data_offset);
    }
  }
  return best;
}

void OpenWhole(benchmark::State& state) {
  SamplePath();  // building the sample compresses it: not part of the timing
  editor::HeadlessEditor session;
  for (auto _ : state) {
    if (editor::OpenRomImagePath(*session.editor, SamplePath()) != 1) {
      state.SkipWithError("Open failed");
    }
  }
  state.counters["nodes"] = session.editor->setup.node_count;
}

void ReadFile(benchmark::State& state) {
  std::vector<uint8_t> bytes;
  std::string error;
  for (auto _ : state) {
    util::ReadWholeFile(SamplePath(), bytes, error);
    benchmark::DoNotOptimize(bytes.data());
  }
}

void Walk(benchmark::State& state) {
  editor::HeadlessEditor session;
  session.editor->workspace.m_working_image = SampleImage();
  for (auto _ : state) rom::WalkFirmwareVolumes(*session.editor);
  state.counters["files"] = session.editor->workspace.m_file_count;
}

void NestedVolumeLzmaDecode(benchmark::State& state) {
  const auto payload = NestedVolumePayload();
  std::vector<uint8_t> out(codec::Lzma_GetDecodedSize(payload));
  for (auto _ : state) {
    if (codec::Lzma_Decompress(payload, out) != codec::kCodecSuccess) {
      state.SkipWithError("decode failed");
    }
  }
  state.SetBytesProcessed(int64_t(state.iterations() * out.size()));
}

void ExtractModules(benchmark::State& state) {
  editor::HeadlessEditor session;
  editor::Editor& editor = *session.editor;
  editor.workspace.m_working_image = SampleImage();
  rom::WalkFirmwareVolumes(editor);
  rom::ModuleSlot slot;
  for (auto _ : state) {
    for (const rom::Guid& name :
         {rom::kDmiModuleGuid, rom::kSetupModuleGuid, rom::kAmiTseFirstGuid}) {
      if (rom::ExtractModule(editor, name, slot) != 1) state.SkipWithError("extract failed");
    }
  }
}

BENCHMARK(OpenWhole)->Unit(benchmark::kMillisecond);
BENCHMARK(ReadFile)->Unit(benchmark::kMillisecond);
BENCHMARK(Walk)->Unit(benchmark::kMillisecond);
BENCHMARK(NestedVolumeLzmaDecode)->Unit(benchmark::kMillisecond);
BENCHMARK(ExtractModules)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kalvire::bench

BENCHMARK_MAIN();
