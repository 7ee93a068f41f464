// Saving p7xxdm-full-flash.rom (8 MiB, the DXE volume in an LZMA section) after one edit in each
// module, step by step: Open, the three edits, Save As into memory (rebuilds, nested volume
// recompression, walk), and the verification of the saved image, over the walked workspace and
// from the bytes. Then the same save of each real image and of a builder image that stores every
// module in its own LZMA section, with the compressions one after the other (0 workers) and with
// one and two workers beside the saving thread, and the time the save's LZMA compressions take
// on their own.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "codec/lzma_section.h"
#include "corpus.h"
#include "dmi/dmi_edit.h"
#include "editor/headless_view.h"
#include "editor/open_image.h"
#include "editor/save_image.h"
#include "rom/known_guids.h"
#include "rom/section.h"
#include "rom/verify.h"
#include "setup/baseline.h"
#include "setup/ifr_layout.h"
#include "setup/node_edit.h"
#include "setup/node_lookup.h"
#include "setup/string_edit.h"
#include "tools/modules_image.h"
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

struct SaveImage {
  const char* label;
  std::function<std::vector<uint8_t>()> bytes;  // empty when not at hand
};

const std::vector<uint8_t>& SharedImage(const char* name) {
  static std::map<std::string, std::vector<uint8_t>> images;
  auto [at, added] = images.try_emplace(name);
  if (added) {
    std::string error;
    util::ReadWholeFile(SharedImages() / name, at->second, error);
  }
  return at->second;
}

const SaveImage kSaveImages[] = {
    {"per-file LZMA (builder)",
     [] { return tools::BuildModulesImage({.storage = tools::ModuleStorage::kLzmaGuided}); }},
    {"p7xxdm-full-flash.rom", [] { return SharedImage("p7xxdm-full-flash.rom"); }},
    {"h61-bios-region.bin", [] { return SharedImage("h61-bios-region.bin"); }},
};

// The data the save compressed with LZMA, as the saved workspace holds it: each module whose
// section is an LZMA one, and the nested volume when its section is.
std::vector<std::span<const uint8_t>> LzmaInputs(const rom::RomWorkspace& ws) {
  std::vector<std::span<const uint8_t>> inputs;
  const auto is_lzma = [&](std::span<const uint8_t> file, uint64_t section) {
    if (section + rom::kCompressionHeaderSize > file.size()) return false;
    const uint8_t type = file[section + 3];
    return type == rom::kSectionGuidDefined ||
           (type == rom::kSectionCompression &&
            file[section + rom::kCompressionTypeOffset] == rom::kCompressionLzma);
  };
  const auto stored_file = [&](const rom::FileRecord& record) {
    return ws.Buffer(record.file.buffer).subspan(record.file.offset, record.size);
  };
  // A slot holds the flattened file, whose module data starts where the stored file has the
  // module's section.
  const auto add_module = [&](const rom::ModuleSlot& slot, std::initializer_list<rom::Guid> names) {
    for (uint32_t i = 0; i < ws.m_file_count && slot.Present(); ++i) {
      if (std::find(names.begin(), names.end(), ws.m_files[i].name) == names.end()) continue;
      if (is_lzma(stored_file(ws.m_files[i]), slot.data_offset)) inputs.push_back(slot.Data());
      return;
    }
  };
  add_module(ws.m_setup_module, {rom::kSetupModuleGuid, rom::kSetupPackageListAltGuid});
  add_module(ws.m_amitse_module, {ws.m_amitse_name});
  add_module(ws.m_dmi_module, {rom::kDmiModuleGuid});
  const rom::NestedVolume& nested = ws.m_nested;
  if (nested.file_index != 0 && nested.file_index < ws.m_file_count) {
    const auto file = stored_file(ws.m_files[nested.file_index]);
    const auto volume = ws.Buffer(nested.buffer);
    if (is_lzma(file, nested.section_offset) && volume.size() >= nested.decoded_size) {
      inputs.push_back(volume.first(nested.decoded_size));
    }
  }
  return inputs;
}

struct LzmaTimes {
  double total_ms = 0;
  double longest_ms = 0;  // no parallel save can take less than its longest compression
};

LzmaTimes TimeLzmaCompressions(const rom::RomWorkspace& ws) {
  LzmaTimes times;
  for (const auto input : LzmaInputs(ws)) {
    const auto start = std::chrono::steady_clock::now();
    std::vector<uint8_t> out(codec::Lzma_CompressBound(uint32_t(input.size())));
    uint32_t size = 0;
    codec::Lzma_Compress(input, out, size);
    const double ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    times.total_ms += ms;
    times.longest_ms = std::max(times.longest_ms, ms);
  }
  return times;
}

// Args: the image (kSaveImages), the rebuild's workers (0: one compression after the other).
void BM_SaveWorkers(benchmark::State& state) {
  const SaveImage& image = kSaveImages[state.range(0)];
  const std::string workers = std::to_string(state.range(1));
  state.SetLabel(std::string(image.label) + ", " + workers + " workers");
  const std::vector<uint8_t> bytes = image.bytes();
  if (bytes.empty()) {
    state.SkipWithError("image not found beside the repository");
    return;
  }
  setenv("KALVIRE_REBUILD_WORKERS", workers.c_str(), 1);
  LzmaTimes lzma;
  for (auto _ : state) {
    state.PauseTiming();
    auto session = std::make_unique<editor::HeadlessEditor>();
    if (editor::OpenRomImageBytes(*session->editor, bytes, image.label) != 1) {
      state.SkipWithError("the image does not open");
      break;
    }
    EditEachModule(*session);
    std::vector<uint8_t> saved;
    state.ResumeTiming();
    if (!SaveInMemory(*session, saved)) state.SkipWithError("the save wrote nothing");
    state.PauseTiming();
    lzma = TimeLzmaCompressions(session->editor->workspace);
    state.ResumeTiming();
  }
  unsetenv("KALVIRE_REBUILD_WORKERS");
  state.counters["lzma_ms"] = lzma.total_ms;
  state.counters["longest_lzma_ms"] = lzma.longest_ms;
}
BENCHMARK(BM_SaveWorkers)
    ->ArgsProduct({{0, 1, 2}, {0, 1, 2}})
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();

}  // namespace
}  // namespace kalvire::bench

BENCHMARK_MAIN();
