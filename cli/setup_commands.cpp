// tree and node: the setup menu as Open parsed it, and one node as the editor shows it.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>

#include "cli/cli.h"
#include "cli/node_number.h"
#include "dmi/latin1.h"
#include "editor/headless_view.h"
#include "editor/open_image.h"
#include "setup/baseline.h"
#include "setup/node_info.h"
#include "setup/node_key.h"
#include "setup/node_lookup.h"
#include "setup/node_search.h"

namespace kalvire::cli {

namespace {

using nlohmann::ordered_json;

struct TreeArgs {
  std::string rom;
  bool json = false;
  std::string find;
};

struct NodeArgs {
  std::string rom;
  std::string node;
  bool json = false;
};

template <typename T>
ordered_json OrNull(const std::optional<T>& value) {
  return value ? ordered_json(*value) : ordered_json(nullptr);
}

ordered_json TextOrNull(const std::string& latin1) {
  return latin1.empty() ? ordered_json(nullptr) : ordered_json(dmi::Latin1ToUtf8(latin1));
}

struct NodeRow {
  uint32_t node = 0;
  std::optional<uint32_t> parent;  // empty: directly under "BIOS"
  int depth = 0;
  uint8_t opcode = 0;
  uint32_t offset = 0;
  std::string text;
  uint16_t page = 0;
  uint16_t control = 0;
  setup::ControlState state;
  int32_t width = setup::kNoValueWidth;
};

NodeRow ReadNodeRow(editor::Editor& editor, uint32_t node) {
  const setup::SetupModel& model = editor.setup;
  const platform::TreeControl& tree = *editor.controls.setup_tree;
  NodeRow row;
  row.node = node;
  const platform::TreeItem item = setup::ItemOfNode(model, node);
  const platform::TreeItem parent = tree.GetParentItem(item);
  if (parent != model.root_item) row.parent = setup::NodeOfItem(model, parent);
  // Depth 1 is directly under "BIOS".
  for (platform::TreeItem up = item;
       up != model.root_item && up != platform::kRootItem && up != platform::kNoItem;
       up = tree.GetParentItem(up)) {
    ++row.depth;
  }
  const uint32_t data = tree.GetItemData(item);
  row.opcode = setup::ItemOpcode(data);
  row.offset = setup::ItemOffset(data);
  row.text = tree.GetItemText(item);
  row.page = model.nodes[node].page_number;
  row.control = model.nodes[node].control_index;
  setup::ReadControlState(editor, item, row.state);
  row.width = model.current_value_width;
  return row;
}

void PrintTree(std::ostream& out, editor::Editor& editor, bool json) {
  ordered_json nodes = ordered_json::array();
  const std::span<const uint8_t> setup_data = editor.workspace.m_setup_module.Data();
  const std::vector<std::string> keys =
      json ? setup::DescribeAllNodes(editor).keys : std::vector<std::string>();
  for (uint32_t n = 0; n < editor.setup.node_count; ++n) {
    const NodeRow row = ReadNodeRow(editor, n);
    if (json) {
      const auto header = setup::ReadQuestionHeader(setup_data, row.opcode, row.offset);
      const auto field = [&header](uint16_t setup::QuestionHeader::*member) {
        return header ? ordered_json((*header).*member) : ordered_json(nullptr);
      };
      nodes.push_back({{"node", row.node},
                       {"key", dmi::Latin1ToUtf8(keys[n])},
                       {"parent", row.parent ? ordered_json(*row.parent) : ordered_json(nullptr)},
                       {"depth", row.depth},
                       {"opcode", row.opcode},
                       {"offset", row.offset},
                       {"text", dmi::Latin1ToUtf8(row.text)},
                       {"page", row.page},
                       {"control", row.control},
                       {"visible", row.state.visible},
                       {"access", row.state.access_level},
                       {"value", row.state.value},
                       {"width", row.width},
                       {"question_id", field(&setup::QuestionHeader::question_id)},
                       {"varstore_id", field(&setup::QuestionHeader::varstore_id)},
                       {"varstore_offset", field(&setup::QuestionHeader::varstore_offset)}});
      continue;
    }
    char head[96];
    std::snprintf(
        head, sizeof head, "%*s%x  op 0x%02X page %u ctl %u  vis %u acc %u val 0x%llX w %d  ",
        2 * (row.depth - 1), "", row.node, row.opcode, row.page, row.control, row.state.visible,
        row.state.access_level, static_cast<unsigned long long>(row.state.value), row.width);
    out << head << row.text << "\n";
  }
  if (json) out << ordered_json{{"nodes", std::move(nodes)}}.dump(2) << "\n";
}

void PrintCombo(std::ostream& out, const char* name, const platform::ComboControl* combo) {
  out << name << ":";
  if (!combo || combo->GetCount() == 0) {
    out << " (empty)\n";
    return;
  }
  out << (combo->IsEnabled() ? "" : " (disabled)") << "\n";
  for (int i = 0; i < combo->GetCount(); ++i) {
    out << (i == combo->GetCurSel() ? "  * " : "    ") << combo->GetText(i) << "\n";
  }
}

void PrintRadio(std::ostream& out, const char* name, const platform::ButtonControl* radio) {
  out << name << ": " << (radio && radio->IsChecked() ? "checked" : "unchecked")
      << (radio && radio->IsEnabled() ? "" : ", disabled")
      << (radio && radio->IsVisible() ? "" : ", hidden") << "\n";
}

// One line per node that holds `text`: its number, its prompt and the forms above it.
int PrintFound(const CliStreams& streams, editor::Editor& editor, const std::string& text) {
  const setup::NodeSearchIndex index(editor);
  const std::vector<uint32_t> found = index.Find(dmi::Utf8ToLatin1(text).value_or(text));
  if (found.empty()) {
    streams.err << "No node matches " << text << "\n";
    return kExitFailure;
  }
  const platform::TreeControl& tree = *editor.controls.setup_tree;
  for (const uint32_t node : found) {
    streams.out << FormatNodeNumber(node) << "  "
                << tree.GetItemText(setup::ItemOfNode(editor.setup, node)) << "  ("
                << setup::NodePath(editor, node) << ")\n";
  }
  return kExitSuccess;
}

int RunTree(const TreeArgs& args, const CliStreams& streams) {
  editor::HeadlessEditor session;
  session.prompter.SetEcho(&streams.err);
  if (editor::OpenRomImagePath(*session.editor, args.rom) != 1) return kExitFailure;
  if (!args.find.empty()) return PrintFound(streams, *session.editor, args.find);
  PrintTree(streams.out, *session.editor, args.json);
  return kExitSuccess;
}

ordered_json NodeInfoJson(const setup::NodeInfo& info, const std::string& path) {
  ordered_json options = ordered_json::array();
  for (const setup::NodeOption& option : info.options) {
    options.push_back({{"name", dmi::Latin1ToUtf8(option.name)},
                       {"value", option.value},
                       {"default", option.is_default},
                       {"manufacturing_default", option.is_manufacturing_default}});
  }
  ordered_json conditions = ordered_json::array();
  for (const std::string& condition : info.conditions)
    conditions.push_back(dmi::Latin1ToUtf8(condition));
  return {{"node", info.node},
          {"kind", info.kind},
          {"opcode", info.opcode},
          {"prompt", dmi::Latin1ToUtf8(info.prompt)},
          {"help", dmi::Latin1ToUtf8(info.help)},
          {"path", dmi::Latin1ToUtf8(path)},
          {"question_id", OrNull(info.question_id)},
          {"varstore_id", OrNull(info.varstore_id)},
          {"varstore_name", TextOrNull(info.varstore_name)},
          {"varstore_guid", TextOrNull(info.varstore_guid)},
          {"varstore_offset", OrNull(info.varstore_offset)},
          {"width", info.width},
          {"minimum", OrNull(info.minimum)},
          {"maximum", OrNull(info.maximum)},
          {"step", OrNull(info.step)},
          {"options", std::move(options)},
          {"default", OrNull(info.ifr_default)},
          {"manufacturing_default", OrNull(info.ifr_manufacturing_default)},
          {"conditions", std::move(conditions)},
          {"visible", OrNull(info.visible)},
          {"access", OrNull(info.access_level)},
          {"value", OrNull(info.optimal_value)}};
}

int RunNode(const NodeArgs& args, const CliStreams& streams) {
  const auto node = ParseNodeNumber(args.node);
  if (!node) {
    streams.err << "Error: node numbers are hexadecimal, as the track log prints them: "
                << args.node << "\n";
    return kExitUsage;
  }
  editor::HeadlessEditor session;
  session.prompter.SetEcho(&streams.err);
  editor::Editor& editor = *session.editor;
  if (editor::OpenRomImagePath(editor, args.rom) != 1) return kExitFailure;
  if (*node >= editor.setup.node_count) {
    streams.err << "Error: node " << args.node << " does not exist; the setup menu has "
                << editor.setup.node_count << " nodes\n";
    return kExitFailure;
  }
  const setup::NodeInfo info = setup::DescribeNode(editor, *node);
  if (args.json) {
    streams.out << NodeInfoJson(info, setup::NodePath(editor, *node)).dump(2) << "\n";
    return kExitSuccess;
  }
  // Selecting the item runs the same display code as a click in the desktop tree.
  const platform::ViewControls& c = editor.controls;
  c.setup_tree->SelectItem(setup::ItemOfNode(editor.setup, *node));
  const NodeRow row = ReadNodeRow(editor, *node);
  std::ostream& out = streams.out;
  out << "Node " << std::hex << row.node << std::dec << ": " << row.text << "\n";
  PrintRadio(out, "Hide", c.hide_radio);
  PrintRadio(out, "Show", c.show_radio);
  PrintCombo(out, "Access level", c.access_level_combo);
  PrintCombo(out, "Optimal option", c.optimal_option_combo);
  PrintCombo(out, "Option to delete", c.delete_option_combo);
  out << "Changes:\n";
  for (int i = 0; i < c.track_log->GetCount(); ++i) out << c.track_log->GetText(i) << "\n";
  out << "Details:\n";
  for (const std::string& line : setup::FormatNodeInfo(info)) out << "  " << line << "\n";
  return kExitSuccess;
}

}  // namespace

void AddSetupCommands(CLI::App& app, const CliStreams& streams, int& exit_code) {
  auto tree_args = std::make_shared<TreeArgs>();
  CLI::App* tree = app.add_subcommand("tree", "List every node of the setup menu");
  tree->add_option("ROM", tree_args->rom, "firmware image")->required();
  CLI::Option* json = tree->add_flag("--json", tree_args->json, "machine-readable output");
  tree->add_option("--find", tree_args->find,
                   "list the nodes whose prompt, help, options, number, question id or VarStore "
                   "offset hold TEXT (any case)")
      ->excludes(json);
  tree->callback([tree_args, &streams, &exit_code] { exit_code = RunTree(*tree_args, streams); });

  auto node_args = std::make_shared<NodeArgs>();
  CLI::App* node = app.add_subcommand("node", "Show one setup node as the editor shows it");
  node->add_option("ROM", node_args->rom, "firmware image")->required();
  node->add_option("N", node_args->node, "node number, hexadecimal as in the track log")
      ->required();
  node->add_flag("--json", node_args->json, "the node's details as one JSON object");
  node->callback([node_args, &streams, &exit_code] { exit_code = RunNode(*node_args, streams); });
}

}  // namespace kalvire::cli
