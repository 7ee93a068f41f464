// Comparing two images: both opened and walked, then diffed, on the p7xxdm image (8 MiB, about
// 5,000 setup nodes) against a copy with one edit, and on 16 MiB copies of it (the second 8 MiB
// erased flash); and the node keys alone, from the nodes' descriptions.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "corpus.h"
#include "editor/headless_view.h"
#include "editor/image_diff.h"
#include "editor/open_image.h"
#include "setup/node_edit.h"
#include "setup/node_key.h"

namespace {

using namespace kalvire;

constexpr char kNoImage[] = "p7xxdm-full-flash.rom not found beside the project";

std::vector<uint8_t> VendorImage() {
  const auto path = bench::SharedImages() / "p7xxdm-full-flash.rom";
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), {}};
}

std::unique_ptr<editor::HeadlessEditor> Opened(std::vector<uint8_t> bytes) {
  auto session = std::make_unique<editor::HeadlessEditor>();
  if (editor::OpenRomImageBytes(*session->editor, std::move(bytes), "image.rom") != 1)
    session.reset();
  return session;
}

// Both images read from memory, opened, walked and compared; `padded` doubles them to 16 MiB.
void DiffVendorImages(benchmark::State& state, bool padded) {
  std::vector<uint8_t> image = VendorImage();
  if (image.empty()) return state.SkipWithError(kNoImage);
  if (padded) image.resize(2 * image.size(), 0xFF);
  size_t differences = 0;
  for (auto _ : state) {
    auto a = Opened(image), b = Opened(image);
    if (!a || !b) return state.SkipWithError("the image did not open");
    // One edit in the second: the diff walks every node of both either way.
    setup::ChangeNodeSetting(*b->editor, setup::kChangeVisibility, 0, 0,
                             b->editor->setup.node_count - 1);
    differences = editor::DiffImages(*a->editor, *b->editor).nodes.size();
  }
  state.counters["MiB"] = double(image.size()) / (1 << 20);
  state.counters["differences"] = double(differences);
}
BENCHMARK_CAPTURE(DiffVendorImages, p7xxdm, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(DiffVendorImages, p7xxdm_16MiB, true)->Unit(benchmark::kMillisecond);

void NodeKeysOfVendorImage(benchmark::State& state) {
  const std::vector<uint8_t> image = VendorImage();
  if (image.empty()) return state.SkipWithError(kNoImage);
  const auto session = Opened(image);
  if (!session) return state.SkipWithError("the image did not open");
  const setup::KeyedNodes described = setup::DescribeAllNodes(*session->editor);
  for (auto _ : state) benchmark::DoNotOptimize(setup::NodeKeys(described.nodes));
  state.counters["nodes"] = double(described.nodes.size());
}
BENCHMARK(NodeKeysOfVendorImage)->Unit(benchmark::kMillisecond);

// The descriptions and keys together, as the diff computes them for each image.
void DescribeAllVendorNodes(benchmark::State& state) {
  const std::vector<uint8_t> image = VendorImage();
  if (image.empty()) return state.SkipWithError(kNoImage);
  const auto session = Opened(image);
  if (!session) return state.SkipWithError("the image did not open");
  for (auto _ : state) benchmark::DoNotOptimize(setup::DescribeAllNodes(*session->editor));
}
BENCHMARK(DescribeAllVendorNodes)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
