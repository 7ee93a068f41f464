// diff: what differs between two images, exit 0 when nothing does, 1 when something does and 2
// when either cannot be opened, as diff(1) does.
#include <CLI/CLI.hpp>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>

#include "cli/cli.h"
#include "cli/diff_json.h"
#include "cli/node_number.h"
#include "dmi/dmi_parse.h"
#include "dmi/latin1.h"
#include "editor/headless_view.h"
#include "editor/open_image.h"
#include "util/hex_text.h"

namespace kalvire::cli {

namespace {

struct DiffArgs {
  std::string a, b;
  bool json = false;
};

std::string Quoted(const std::string& latin1) {
  return "\"" + dmi::Latin1ToUtf8(latin1) + "\"";
}

std::string OptionalNumber(const std::optional<uint64_t>& value) {
  return value ? util::HexText(*value) : "none";
}

std::string OptionsText(const setup::NodeInfo& info) {
  std::string text;
  for (const setup::NodeOption& option : info.options)
    text += (text.empty() ? "" : ", ") + dmi::Latin1ToUtf8(option.name) + "=" +
            std::to_string(option.value);
  return "[" + text + "]";
}

std::string FieldChange(const std::string& field, const setup::NodeInfo& a,
                        const setup::NodeInfo& b) {
  const auto number = [](const std::optional<uint8_t>& v) {
    return v ? std::to_string(*v) : std::string("none");
  };
  std::string from, to;
  if (field == "visible") {
    from = number(a.visible), to = number(b.visible);
  } else if (field == "access") {
    from = number(a.access_level), to = number(b.access_level);
  } else if (field == "value") {
    from = OptionalNumber(a.optimal_value), to = OptionalNumber(b.optimal_value);
  } else if (field == "prompt") {
    from = Quoted(a.prompt), to = Quoted(b.prompt);
  } else if (field == "help") {
    from = Quoted(a.help), to = Quoted(b.help);
  } else if (field == "options") {
    from = OptionsText(a), to = OptionsText(b);
  } else if (field == "default") {
    from = OptionalNumber(a.ifr_default), to = OptionalNumber(b.ifr_default);
  } else {
    from = OptionalNumber(a.ifr_manufacturing_default);
    to = OptionalNumber(b.ifr_manufacturing_default);
  }
  return field + " " + from + " -> " + to;
}

// One line per node, grouped by the forms above it: "Main > Advanced: ONE_OF "Prompt" (node 2b
// -> 2d): value 0x1 -> 0x0".
void PrintNodes(std::ostream& out, const editor::ImageDiff& diff) {
  std::vector<const editor::NodeDifference*> nodes;
  for (const editor::NodeDifference& node : diff.nodes) nodes.push_back(&node);
  const auto side = [](const editor::NodeDifference* n) -> const editor::NodeSide& {
    return n->a ? *n->a : *n->b;
  };
  std::stable_sort(nodes.begin(), nodes.end(),
                   [&](auto* x, auto* y) { return side(x).path < side(y).path; });
  if (!nodes.empty()) out << "Setup nodes:\n";
  for (const editor::NodeDifference* node : nodes) {
    const editor::NodeSide& first = side(node);
    out << "  " << (first.path.empty() ? "BIOS" : dmi::Latin1ToUtf8(first.path)) << ": "
        << first.info.kind << " " << Quoted(first.info.prompt) << " (";
    if (node->a && node->b) {
      out << "node " << FormatNodeNumber(node->a->info.node) << " -> "
          << FormatNodeNumber(node->b->info.node) << "): ";
      for (size_t i = 0; i < node->fields.size(); ++i)
        out << (i ? "; " : "") << FieldChange(node->fields[i], node->a->info, node->b->info);
      out << "\n";
    } else {
      out << "node " << FormatNodeNumber(first.info.node) << "): only in " << (node->a ? "A" : "B")
          << "\n";
    }
  }
}

void PrintDmi(std::ostream& out, const editor::ImageDiff& diff) {
  if (!diff.dmi.empty()) out << "DMI strings:\n";
  for (const editor::DmiDifference& string : diff.dmi) {
    out << "  " << dmi::DmiTypeName(string.type) << " (type " << string.type << ") #"
        << string.occurrence << " string " << FormatNodeNumber(string.string) << " " << string.field
        << " " << (string.a ? Quoted(*string.a) : "none") << " -> "
        << (string.b ? Quoted(*string.b) : "none") << "\n";
  }
}

void PrintFiles(std::ostream& out, const editor::ImageDiff& diff) {
  if (!diff.files.empty()) out << "Firmware files:\n";
  for (const editor::FileDifference& file : diff.files) {
    const auto text = [](const std::optional<editor::FileSide>& side) {
      if (!side) return std::string("none");
      char type[8];
      std::snprintf(type, sizeof type, "0x%02X", side->type);
      return std::string("type ") + type + ", " + std::to_string(side->size) + " bytes, " +
             side->sha256.substr(0, 16);
    };
    out << "  " << file.name << (file.occurrence ? " #" + std::to_string(file.occurrence) : "")
        << ": "
        << (file.a && file.b ? "changed"
            : file.a         ? "only in A"
                             : "only in B")
        << ", " << text(file.a) << " -> " << text(file.b) << "\n";
  }
}

int RunDiff(const DiffArgs& args, const CliStreams& streams) {
  editor::HeadlessEditor a, b;
  a.prompter.SetEcho(&streams.err);
  b.prompter.SetEcho(&streams.err);
  if (editor::OpenRomImagePath(*a.editor, args.a) != 1 ||
      editor::OpenRomImagePath(*b.editor, args.b) != 1) {
    return kExitUsage;
  }
  const editor::ImageDiff diff = editor::DiffImages(*a.editor, *b.editor);
  if (args.json) {
    streams.out << DiffToJson(diff, args.a, args.b).dump(2) << "\n";
  } else {
    PrintNodes(streams.out, diff);
    PrintDmi(streams.out, diff);
    PrintFiles(streams.out, diff);
  }
  return diff.Empty() ? kExitSuccess : kExitFailure;
}

}  // namespace

void AddDiffCommand(CLI::App& app, const CliStreams& streams, int& exit_code) {
  auto args = std::make_shared<DiffArgs>();
  CLI::App* diff = app.add_subcommand(
      "diff",
      "List what differs between two images: setup nodes, DMI strings and firmware files. "
      "Exit 0: nothing differs, 1: something does, 2: an image cannot be opened");
  diff->add_option("A", args->a, "the first image")->required();
  diff->add_option("B", args->b, "the second image")->required();
  diff->add_flag("--json", args->json,
                 "machine-readable output, also the changes that edit --apply reads");
  diff->callback([args, &streams, &exit_code] { exit_code = RunDiff(*args, streams); });
}

}  // namespace kalvire::cli
