// Verifying p7xxdm-full-flash.rom (8 MiB, a nested LZMA DXE volume): the whole check from the
// image bytes (walk included), and the check alone over an already walked workspace, as a save
// runs it after its own walk.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "corpus.h"
#include "editor/editor.h"
#include "rom/firmware_walk.h"
#include "rom/verify.h"
#include "util/file_io.h"

namespace kalvire::bench {
namespace {

const std::vector<uint8_t>& FullFlashImage() {
  static const std::vector<uint8_t> image = [] {
    std::vector<uint8_t> bytes;
    std::string error;
    util::ReadWholeFile(SharedImages() / "p7xxdm-full-flash.rom", bytes, error);
    return bytes;
  }();
  return image;
}

void VerifyFromBytes(benchmark::State& state) {
  const auto& image = FullFlashImage();
  if (image.empty()) {
    state.SkipWithError("p7xxdm-full-flash.rom not found beside the repository");
    return;
  }
  for (auto _ : state) {
    const rom::VerifyResult result = rom::VerifyImage(image);
    if (!result.problems.empty()) state.SkipWithError("the image does not verify");
    benchmark::DoNotOptimize(result.files.data());
  }
}
BENCHMARK(VerifyFromBytes)->Unit(benchmark::kMillisecond);

// The walk alone (nested LZMA volume decoded), the part of VerifyFromBytes a save has done
// already when it verifies.
void WalkOnly(benchmark::State& state) {
  const auto& image = FullFlashImage();
  if (image.empty()) {
    state.SkipWithError("p7xxdm-full-flash.rom not found beside the repository");
    return;
  }
  editor::Editor editor;
  editor.workspace.m_working_image = image;
  for (auto _ : state) {
    if (rom::WalkFirmwareVolumes(editor) != 1) state.SkipWithError("walk failed");
  }
}
BENCHMARK(WalkOnly)->Unit(benchmark::kMillisecond);

void VerifyWalkedWorkspace(benchmark::State& state) {
  const auto& image = FullFlashImage();
  if (image.empty()) {
    state.SkipWithError("p7xxdm-full-flash.rom not found beside the repository");
    return;
  }
  editor::Editor editor;
  editor.workspace.m_working_image = image;
  if (rom::WalkFirmwareVolumes(editor) != 1) {
    state.SkipWithError("walk failed");
    return;
  }
  for (auto _ : state) {
    const rom::VerifyResult result = rom::VerifyWorkspace(editor.workspace);
    if (!result.problems.empty()) state.SkipWithError("the image does not verify");
    benchmark::DoNotOptimize(result.files.data());
  }
}
BENCHMARK(VerifyWalkedWorkspace)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kalvire::bench

BENCHMARK_MAIN();
