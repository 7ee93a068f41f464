// Saving the sample image after one edit in each of the three modules: Open, the edits, the
// whole Save As, and each step of the rebuild on its own, so that the share of the nested
// volume's LZMA compression (4 MiB at the fixed settings) shows.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "dmi/dmi_edit.h"
#include "dmi/dmi_serialize.h"
#include "editor/dmi_reinsert.h"
#include "editor/headless_view.h"
#include "editor/open_image.h"
#include "editor/save_image.h"
#include "rom/firmware_walk.h"
#include "rom/module_rebuild.h"
#include "setup/ifr_layout.h"
#include "setup/node_edit.h"
#include "setup/node_lookup.h"
#include "setup/string_edit.h"
#include "tools/sample_image.h"
#include "tracklog/history.h"

namespace {

using namespace kalvire;

const std::vector<uint8_t>& SampleImage() {
  static const std::vector<uint8_t> image = tools::BuildSampleImage();
  return image;
}

std::string TempPath() {
  return (std::filesystem::temp_directory_path() /
          ("kalvire_save_bench_" + std::to_string(::getpid()) + ".rom"))
      .string();
}

std::unique_ptr<editor::HeadlessEditor> OpenSample() {
  auto session = std::make_unique<editor::HeadlessEditor>();
  if (editor::OpenRomImageBytes(*session->editor, SampleImage(), "sample.rom") != 1) return nullptr;
  return session;
}

// The first ONE_OF question of the setup tree.
uint32_t FirstOneOf(editor::Editor& editor) {
  for (uint32_t node = 0; node < editor.setup.node_count; ++node) {
    const uint32_t data = editor.controls.setup_tree->GetItemData(editor.setup.node_items[node]);
    if (setup::ItemOpcode(data) == setup::kOpOneOf) return node;
  }
  return 0;
}

// Hides a question (AmiTse SPF), lengthens its text (Setup) and changes a DMI string.
void EditEachModule(editor::HeadlessEditor& session) {
  editor::Editor& editor = *session.editor;
  const uint32_t node = FirstOneOf(editor);
  setup::ChangeNodeSetting(editor, setup::kChangeVisibility, 0, 0, node);
  setup::EditSetupString(editor, node, "A longer text for the benchmark");
  platform::TreeControl& tree = *editor.controls.dmi_tree;
  tree.SelectItem(
      tree.GetNextSiblingItem(tree.GetChildItem(tree.GetChildItem(platform::kRootItem))));
  session.prompter.QueueDmiEdits(platform::DmiEdits{{0, "Benchmark Systems"}});
  dmi::EditDmiString(editor);
}

void BM_Open(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(OpenSample());
}
BENCHMARK(BM_Open)->Unit(benchmark::kMillisecond);

void BM_EditEachModule(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    auto session = OpenSample();
    state.ResumeTiming();
    EditEachModule(*session);
  }
}
BENCHMARK(BM_EditEachModule)->Unit(benchmark::kMillisecond);

// The whole Save As of the edited image, file write included.
void BM_SaveAs(benchmark::State& state) {
  const std::string path = TempPath();
  for (auto _ : state) {
    state.PauseTiming();
    auto session = OpenSample();
    EditEachModule(*session);
    std::filesystem::remove(path);
    session->prompter.QueueFilePath(path);
    state.ResumeTiming();
    editor::SaveRomImageAs(*session->editor);
  }
  std::filesystem::remove(path);
}
BENCHMARK(BM_SaveAs)->Unit(benchmark::kMillisecond);

// One step of the rebuild sequence, timed after the steps before it have run untimed.
using Step = std::function<void(editor::Editor&)>;
const std::vector<std::pair<const char*, Step>>& Steps() {
  static const std::vector<std::pair<const char*, Step>> steps = {
      {"AppendHistory", [](editor::Editor& e) { tracklog::AppendHistory(e); }},
      {"RebuildTseModule", [](editor::Editor& e) { rom::RebuildTseModule(e); }},
      {"RebuildSetupModule", [](editor::Editor& e) { rom::RebuildSetupModule(e); }},
      {"SerializeDmiModule", [](editor::Editor& e) { dmi::SerializeDmiModule(e); }},
      {"ReinsertDmiModule", [](editor::Editor& e) { editor::ReinsertDmiModule(e); }},
      {"RebuildNestedVolume (LZMA)", [](editor::Editor& e) { rom::RebuildNestedVolume(e); }},
      {"WalkFirmwareVolumes", [](editor::Editor& e) { rom::WalkFirmwareVolumes(e); }},
  };
  return steps;
}

void BM_RebuildStep(benchmark::State& state) {
  const size_t step = size_t(state.range(0));
  state.SetLabel(Steps()[step].first);
  for (auto _ : state) {
    state.PauseTiming();
    auto session = OpenSample();
    EditEachModule(*session);
    for (size_t i = 0; i < step; ++i) Steps()[i].second(*session->editor);
    state.ResumeTiming();
    Steps()[step].second(*session->editor);
  }
}
BENCHMARK(BM_RebuildStep)->DenseRange(0, 6)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
