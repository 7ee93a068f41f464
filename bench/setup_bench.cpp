// The setup form model on a large generated menu: six formsets of twelve forms with twenty
// questions each (1,440 questions of every kind), the parse plus the baseline capture, and one
// optimal-default change by node number (which also refreshes the node display). On the p7xxdm
// image when it is beside the project: one node's details, the search index and one search.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "corpus.h"

#include "editor/headless_view.h"
#include "editor/open_image.h"
#include "setup/baseline.h"
#include "setup/node_edit.h"
#include "setup/node_info.h"
#include "setup/node_search.h"
#include "setup/parse_forms.h"
#include "tools/edit_forms.h"
#include "tools/menu_image.h"

namespace {

using namespace kalvire;
using tools::IfrItemKind;

constexpr char kLastOneOf[] = "Formset 5 q1116";

tools::HiiPackageList LargeMenu() {
  tools::HiiStrings s;
  s.Add("English");
  tools::HiiPackageList list;
  uint16_t form_id = 1024;
  for (int set = 0; set < 6; ++set) {
    const std::string set_name = "Formset " + std::to_string(set);
    tools::IfrFormSet formset;
    formset.title = s.Add(set_name);
    formset.help = s.Add("");
    formset.varstores = {{tools::kAmitsePkgGuid, 1, 64, "Setup"}};
    const uint16_t main_id = form_id;
    tools::IfrForm main{form_id++, formset.title, {}};
    for (int f = 1; f < 12; ++f) {
      main.items.push_back(
          tools::MakeItem(IfrItemKind::kRef, s.Add(set_name + " page " + std::to_string(f))));
      main.items.back().ref_form_id = uint16_t(main_id + f);
    }
    formset.forms.push_back(main);
    for (int f = 1; f < 12; ++f) {
      tools::IfrForm form{form_id++, s.Add(set_name + " page " + std::to_string(f)), {}};
      form.items.push_back(
          tools::MakeItem(IfrItemKind::kSubtitle, s.Add("Group " + std::to_string(f))));
      for (int q = 0; q < 20; ++q) {
        const uint16_t prompt = s.Add(set_name + " q" + std::to_string(f * 100 + q));
        const uint16_t offset = uint16_t((f * 20 + q) % 60);
        switch (q % 4) {
          case 0:
            form.items.push_back(tools::MakeItem(IfrItemKind::kOneOf, prompt, 1, offset));
            form.items.back().options = {
                {s.Add("Disabled"), 0}, {s.Add("Enabled"), 1}, {s.Add("Auto"), 2}};
            break;
          case 1:
            form.items.push_back(tools::MakeItem(IfrItemKind::kCheckbox, prompt, 1, offset));
            break;
          case 2:
            form.items.push_back(tools::MakeItem(IfrItemKind::kNumeric, prompt, 1, offset, 2, 5));
            form.items.back().maximum = 1000;
            form.items.back().step = 1;
            break;
          default:
            form.items.push_back(tools::MakeItem(IfrItemKind::kText, prompt));
            break;
        }
      }
      formset.forms.push_back(form);
    }
    if (list.forms_packages.empty()) list.forms_packages.emplace_back();
    list.forms_packages.back().push_back(formset);
  }
  list.string_packages = {{"en-US", 1, s.texts()}};
  return list;
}

// The menu opened as an image, as the editor opens any file.
struct OpenedMenu {
  OpenedMenu() {
    if (editor::OpenRomImageBytes(*view.editor, tools::BuildMenuImage(LargeMenu()), "bench.rom") !=
        1) {
      std::abort();
    }
  }
  uint32_t NodeNamed(const std::string& prompt) {
    const setup::SetupModel& model = view.editor->setup;
    for (uint32_t n = 1; n <= model.node_count; ++n) {
      if (view.editor->controls.setup_tree->GetItemText(model.node_items[n]) == prompt) return n;
    }
    std::abort();
  }
  editor::HeadlessEditor view;
};

void BM_ParseAndBaseline(benchmark::State& state) {
  OpenedMenu menu;
  editor::Editor& editor = *menu.view.editor;
  platform::TreeControl& tree = *editor.controls.setup_tree;
  for (auto _ : state) {
    state.PauseTiming();
    tree.DeleteAllItems();
    state.ResumeTiming();
    setup::ParseSetupForms(editor, editor.workspace.m_setup_module.Data(), tree);
    benchmark::DoNotOptimize(setup::CaptureBaseline(editor));
  }
  state.counters["nodes"] = editor.setup.node_count;
}
BENCHMARK(BM_ParseAndBaseline)->Unit(benchmark::kMillisecond);

void BM_ChangeNodeSetting(benchmark::State& state) {
  OpenedMenu menu;
  const uint32_t question = menu.NodeNamed(kLastOneOf);
  uint32_t value = 0;
  for (auto _ : state) {
    setup::ChangeNodeSetting(*menu.view.editor, setup::kChangeOptimal, value, 0, question);
    value ^= 2;
  }
}
BENCHMARK(BM_ChangeNodeSetting)->Unit(benchmark::kMicrosecond);

// p7xxdm-full-flash.rom opened once for the cases below; null when it is absent.
editor::HeadlessEditor* VendorMenu() {
  static const std::unique_ptr<editor::HeadlessEditor> session = [] {
    auto opened = std::make_unique<editor::HeadlessEditor>();
    const auto path = bench::SharedImages() / "p7xxdm-full-flash.rom";
    if (path.empty() || editor::OpenRomImagePath(*opened->editor, path.string()) != 1)
      opened.reset();
    return opened;
  }();
  return session.get();
}

// The node whose forms walk is the longest: the last one.
void BM_DescribeLastVendorNode(benchmark::State& state) {
  editor::HeadlessEditor* menu = VendorMenu();
  if (!menu) return state.SkipWithError("p7xxdm-full-flash.rom not found beside the project");
  const uint32_t last = menu->editor->setup.node_count - 1;
  for (auto _ : state) benchmark::DoNotOptimize(setup::DescribeNode(*menu->editor, last));
}
BENCHMARK(BM_DescribeLastVendorNode)->Unit(benchmark::kMillisecond);

void BM_BuildVendorSearchIndex(benchmark::State& state) {
  editor::HeadlessEditor* menu = VendorMenu();
  if (!menu) return state.SkipWithError("p7xxdm-full-flash.rom not found beside the project");
  for (auto _ : state) benchmark::DoNotOptimize(setup::NodeSearchIndex(*menu->editor));
  state.counters["nodes"] = menu->editor->setup.node_count;
}
BENCHMARK(BM_BuildVendorSearchIndex)->Unit(benchmark::kMillisecond);

// A text found in many nodes and one found in none: the whole index is read either way.
void BM_FindInVendorNodes(benchmark::State& state) {
  editor::HeadlessEditor* menu = VendorMenu();
  if (!menu) return state.SkipWithError("p7xxdm-full-flash.rom not found beside the project");
  const setup::NodeSearchIndex index(*menu->editor);
  for (auto _ : state) {
    benchmark::DoNotOptimize(index.Find("Enabled"));
    benchmark::DoNotOptimize(index.Find("no such text"));
  }
  state.counters["nodes"] = index.node_count();
}
BENCHMARK(BM_FindInVendorNodes)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
