// Arbitrary bytes as a Setup module's forms and an AmiTse SPF module: the input's first two
// bytes split it into the two. The parse and the baseline capture stay inside both modules, the
// node table never passes its capacity, and every node's display runs without a fault.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "editor/editor.h"
#include "platform/headless_controls.h"
#include "platform/headless_tree.h"
#include "setup/baseline.h"
#include "setup/node_display.h"
#include "setup/parse_forms.h"

namespace {

struct FuzzView {
  kalvire::platform::HeadlessTree tree;
  kalvire::platform::HeadlessList log;
  kalvire::platform::HeadlessCombo optimal, options;
  kalvire::editor::Editor editor;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace kalvire;
  if (size < 2) return 0;
  static FuzzView* view = new FuzzView;  // the tables are large; built once
  const size_t split = std::min<size_t>(size - 2, data[0] | data[1] << 8);
  const uint8_t* body = data + 2;

  // The forms behind a package list header, so that the parse starts at once.
  std::vector<uint8_t> setup(rom::kSetupModuleGuid.begin(), rom::kSetupModuleGuid.end());
  setup.resize(20, 0);
  setup.insert(setup.end(), body, body + split);
  // The SPF data behind a valid header signature, its table offsets from the input.
  std::vector<uint8_t> spf{'$', 'S', 'P', 'F'};
  spf.resize(20, 0);
  spf.insert(spf.end(), rom::kAmiTsePkgGuid.begin(), rom::kAmiTsePkgGuid.end());
  spf.insert(spf.end(), body + split, data + size);

  editor::Editor& editor = view->editor;
  view->tree.DeleteAllItems();
  // The parse and the capture overwrite every record they count; only the counts are reset.
  editor.setup.node_count = 0;
  editor.setup.var_store_count = 0;
  editor.workspace.m_diagnostics.clear();
  editor.controls.setup_tree = &view->tree;
  editor.controls.track_log = &view->log;
  editor.controls.optimal_option_combo = &view->optimal;
  editor.controls.delete_option_combo = &view->options;
  editor.workspace.m_setup_module.file = setup;
  editor.workspace.m_setup_module.data_size = uint32_t(setup.size());
  editor.workspace.m_amitse_module.file = spf;
  editor.workspace.m_amitse_module.data_size = uint32_t(spf.size());
  editor.workspace.m_setup_packages.forms_package = 20;
  editor.workspace.m_format_marker = rom::kFormatMarkerOpened;
  editor.setup.spf_control_header_offset = 0;

  if (setup::ParseSetupForms(editor, editor.workspace.m_setup_module.Data(), view->tree) != 1) {
    __builtin_trap();
  }
  if (editor.setup.node_count > setup::kNodeCapacity) __builtin_trap();
  setup::CaptureBaseline(editor);
  for (uint32_t node = 0; node < editor.setup.node_count && node < 64; ++node) {
    view->tree.SelectItem(editor.setup.node_items[node]);
    setup::ShowNodeDetails(editor);
  }
  if (editor.workspace.m_amitse_module.file != spf) __builtin_trap();  // reading changes nothing
  return 0;
}
