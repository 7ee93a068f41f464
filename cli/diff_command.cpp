// diff: what differs between two images, exit 0 when nothing does, 1 when something does and 2
// when either cannot be opened, as diff(1) does.
#include <CLI/CLI.hpp>

#include <memory>
#include <string>

#include "cli/cli.h"
#include "cli/diff_json.h"
#include "dmi/latin1.h"
#include "editor/diff_text.h"
#include "editor/headless_view.h"
#include "editor/open_image.h"

namespace kalvire::cli {

namespace {

struct DiffArgs {
  std::string a, b;
  bool json = false;
};

// Each group under its title, a line an item: "  Main > Advanced: ONE_OF ...".
void PrintDiff(std::ostream& out, const editor::ImageDiff& diff) {
  if (!diff.nodes.empty()) out << "Setup nodes:\n";
  for (const editor::NodeDifference* node : editor::NodesByPlace(diff))
    out << "  "
        << dmi::Latin1ToUtf8(editor::NodeDifferencePlace(*node) + ": " +
                             editor::NodeDifferenceText(*node))
        << "\n";
  if (!diff.dmi.empty()) out << "DMI strings:\n";
  for (const editor::DmiDifference& string : diff.dmi)
    out << "  " << dmi::Latin1ToUtf8(editor::DmiDifferenceText(string)) << "\n";
  if (!diff.files.empty()) out << "Firmware files:\n";
  for (const editor::FileDifference& file : diff.files)
    out << "  " << editor::FileDifferenceText(file) << "\n";
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
    PrintDiff(streams.out, diff);
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
