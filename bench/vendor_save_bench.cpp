// Saving p7xxdm-full-flash.rom (8 MiB, the DXE volume in an LZMA section) after one edit in each
// module, step by step: Open, the three edits, Save As into memory (rebuilds, nested volume
// recompression, walk), and the verification of the saved image, over the walked workspace and
// from the bytes.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "corpus.h"
#include "dmi/dmi_edit.h"
#include "editor/headless_view.h"
#include "editor/open_image.h"
#include "editor/save_image.h"
#include "rom/verify.h"
#include "setup/baseline.h"
#include "setup/ifr_layout.h"
#include "setup/node_edit.h"
#include "setup/node_lookup.h"
#include "setup/string_edit.h"
#include "util/file_io.h"

namespace kalvire::bench {
namespace {

constexpr const char* kImageName = "p7xxdm-full-flash.rom";

const std::vector<uint8_t>& VendorImage() {
  static const std::vector<uint8_t> image = [] {
    std::vector<uint8_t> bytes;
    std::string error;
    util::ReadWholeFile(SharedImages() / kImageName, bytes, error);
    return bytes;
  }();
  return image;
}

bool SkipWithoutImage(benchmark::State& state) {
  if (!VendorImage().empty()) return false;
  state.SkipWithError("p7xxdm-full-flash.rom not found beside the repository");
  return true;
}

std::unique_ptr<editor::HeadlessEditor> OpenVendorImage() {
  auto session = std::make_unique<editor::HeadlessEditor>();
  if (editor::OpenRomImageBytes(*session->editor, VendorImage(), kImageName) != 1) return nullptr;
  return session;
}

// The first shown ONE_OF question of the setup tree.
uint32_t FirstShownOneOf(editor::Editor& editor) {
  for (uint32_t node = 0; node < editor.setup.node_count; ++node) {
    const platform::TreeItem item = editor.setup.node_items[node];
    setup::ControlState state;
    if (setup::ItemOpcode(editor.controls.setup_tree->GetItemData(item)) == setup::kOpOneOf &&
        setup::ReadControlState(editor, item, state) == 1 && state.visible) {
      return node;
    }
  }
  return 0;
}

// Hides a question (AmiTse), lengthens its text (Setup) and changes the first string of the
// second DMI structure.
void EditEachModule(editor::HeadlessEditor& session) {
  editor::Editor& editor = *session.editor;
  const uint32_t node = FirstShownOneOf(editor);
  setup::ChangeNodeSetting(editor, setup::kChangeVisibility, 0, 0, node);
  setup::EditSetupString(
      editor, node, editor.controls.setup_tree->GetItemText(editor.setup.node_items[node]) + "!");
  platform::TreeControl& tree = *editor.controls.dmi_tree;
  tree.SelectItem(
      tree.GetNextSiblingItem(tree.GetChildItem(tree.GetChildItem(platform::kRootItem))));
  session.prompter.QueueDmiEdits(platform::DmiEdits{{0, "Benchmark Systems"}});
  dmi::EditDmiString(editor);
}

// Save As through a writer that keeps the bytes; true when the save reached the writer.
bool SaveInMemory(editor::HeadlessEditor& session, std::vector<uint8_t>& saved) {
  bool written = false;
  session.prompter.QueueFilePath("/nonexistent-kalvire-bench/saved.rom");
  editor::SaveRomImageAs(*session.editor,
                         [&](const std::string&, std::span<const uint8_t> image, std::string&) {
                           saved.assign(image.begin(), image.end());
                           written = true;
                           return true;
                         });
  return written;
}

void BM_VendorOpen(benchmark::State& state) {
  if (SkipWithoutImage(state)) return;
  for (auto _ : state) {
    if (!OpenVendorImage()) state.SkipWithError("the image does not open");
  }
}
BENCHMARK(BM_VendorOpen)->Unit(benchmark::kMillisecond);

void BM_VendorEditEachModule(benchmark::State& state) {
  if (SkipWithoutImage(state)) return;
  for (auto _ : state) {
    state.PauseTiming();
    auto session = OpenVendorImage();
    state.ResumeTiming();
    EditEachModule(*session);
  }
}
BENCHMARK(BM_VendorEditEachModule)->Unit(benchmark::kMillisecond);

void BM_VendorSaveInMemory(benchmark::State& state) {
  if (SkipWithoutImage(state)) return;
  for (auto _ : state) {
    state.PauseTiming();
    auto session = OpenVendorImage();
    EditEachModule(*session);
    std::vector<uint8_t> saved;
    state.ResumeTiming();
    if (!SaveInMemory(*session, saved)) state.SkipWithError("the save wrote nothing");
  }
}
BENCHMARK(BM_VendorSaveInMemory)->Unit(benchmark::kMillisecond);

// The image opened, edited in each module and saved into `saved`, outside the timing; empty
// after skipping the benchmark when that cannot be done.
std::unique_ptr<editor::HeadlessEditor> EditedAndSaved(benchmark::State& state,
                                                       std::vector<uint8_t>& saved) {
  if (SkipWithoutImage(state)) return nullptr;
  auto session = OpenVendorImage();
  if (!session) {
    state.SkipWithError("the image does not open");
    return nullptr;
  }
  EditEachModule(*session);
  if (!SaveInMemory(*session, saved)) {
    state.SkipWithError("the save wrote nothing");
    return nullptr;
  }
  return session;
}

// The check over the workspace the save walked last, as Save can run it.
void BM_VendorVerifySavedWorkspace(benchmark::State& state) {
  std::vector<uint8_t> saved;
  const auto session = EditedAndSaved(state, saved);
  if (!session) return;
  for (auto _ : state) {
    const rom::VerifyResult result = rom::VerifyWorkspace(session->editor->workspace);
    benchmark::DoNotOptimize(result.files.data());
  }
}
BENCHMARK(BM_VendorVerifySavedWorkspace)->Unit(benchmark::kMillisecond);

// The check from the saved bytes, the walk and the nested volume's decoding included.
void BM_VendorVerifySavedImage(benchmark::State& state) {
  std::vector<uint8_t> saved;
  if (!EditedAndSaved(state, saved)) return;
  for (auto _ : state) {
    const rom::VerifyResult result = rom::VerifyImage(saved);
    benchmark::DoNotOptimize(result.files.data());
  }
}
BENCHMARK(BM_VendorVerifySavedImage)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kalvire::bench

BENCHMARK_MAIN();
