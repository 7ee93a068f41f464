// The setup form model on a large generated menu: six formsets of twelve forms with twenty
// questions each (1,440 questions of every kind), the parse plus the baseline capture, and one
// optimal-default change by node number (which also refreshes the node display).
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "platform/headless_controls.h"
#include "platform/headless_tree.h"
#include "platform/scripted_prompter.h"
#include "setup/baseline.h"
#include "setup/commands.h"
#include "setup/node_edit.h"
#include "setup/parse_forms.h"
#include "tests/setup/setup_builder.h"

namespace {

using namespace kalvire;
using setup::test::MenuBuilder;

struct BenchView {
  platform::HeadlessTree tree;
  platform::HeadlessList log;
  platform::HeadlessCombo access, options, optimal;
  platform::HeadlessButton hide, show, remove;
  platform::ScriptedPrompter prompter;
  rom::Editor editor;
};

MenuBuilder LargeMenu(uint32_t* a_question) {
  MenuBuilder m;
  uint16_t form_id = 1024;
  for (int set = 0; set < 6; ++set) {
    const std::string set_name = "Formset " + std::to_string(set);
    m.NewPackage();
    m.FormSet(m.Str(set_name));
    m.VarStore(1, "Setup");
    const uint16_t main_id = form_id;
    m.Form(form_id++, m.Str(set_name));
    for (int f = 1; f < 12; ++f) m.Ref(m.Str(set_name + " page " + std::to_string(f)), main_id + f);
    for (int f = 1; f < 12; ++f) {
      m.Form(form_id++, m.Str(set_name + " page " + std::to_string(f)));
      m.Subtitle(m.Str("Group " + std::to_string(f)));
      for (int q = 0; q < 20; ++q) {
        const std::string name = set_name + " q" + std::to_string(f * 100 + q);
        const uint16_t offset = uint16_t((f * 20 + q) % 60);
        switch (q % 4) {
          case 0:
            *a_question =
                m.OneOf(m.Str(name), 1, offset, 1, {{"Disabled", 0}, {"Enabled", 1}, {"Auto", 2}},
                        setup::test::PopupControl(1, 1));
            break;
          case 1:
            m.Checkbox(m.Str(name), 1, offset, setup::test::CheckboxControl(0));
            break;
          case 2:
            m.Numeric(m.Str(name), 1, offset, 2, 0, 1000, setup::test::NumericControl(2, 5));
            break;
          default:
            m.Text(m.Str(name));
            break;
        }
      }
    }
  }
  return m;
}

std::unique_ptr<BenchView> MakeView(const MenuBuilder& menu) {
  auto view = std::make_unique<BenchView>();
  rom::ViewControls& c = view->editor.controls;
  c.setup_tree = &view->tree;
  c.track_log = &view->log;
  c.access_level_combo = &view->access;
  c.delete_option_combo = &view->options;
  c.optimal_option_combo = &view->optimal;
  c.hide_radio = &view->hide;
  c.show_radio = &view->show;
  c.delete_button = &view->remove;
  c.prompter = &view->prompter;
  view->editor.workspace.m_working_image = setup::test::NvramImage({{"Setup", 64}});
  setup::test::InstallMenu(view->editor, menu);
  return view;
}

void BM_ParseAndBaseline(benchmark::State& state) {
  uint32_t question = 0;
  const MenuBuilder menu = LargeMenu(&question);
  auto view = MakeView(menu);
  for (auto _ : state) {
    state.PauseTiming();
    view->tree.DeleteAllItems();
    state.ResumeTiming();
    setup::ParseSetupForms(view->editor, view->editor.workspace.m_setup_module.Data(), view->tree);
    benchmark::DoNotOptimize(setup::CaptureBaseline(view->editor));
  }
  state.counters["nodes"] = view->editor.setup.node_count;
}
BENCHMARK(BM_ParseAndBaseline)->Unit(benchmark::kMillisecond);

void BM_ChangeNodeSetting(benchmark::State& state) {
  uint32_t question = 0;
  const MenuBuilder menu = LargeMenu(&question);
  auto view = MakeView(menu);
  setup::ParseSetupForms(view->editor, view->editor.workspace.m_setup_module.Data(), view->tree);
  setup::CaptureBaseline(view->editor);
  setup::ConnectSetupTree(view->editor);
  uint32_t value = 0;
  for (auto _ : state) {
    setup::ChangeNodeSetting(view->editor, setup::kChangeOptimal, value, 0, question);
    value ^= 2;
  }
}
BENCHMARK(BM_ChangeNodeSetting)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
