// dmi: the SMBIOS structures of an image's DMI module as the editor reads them.
#include <CLI/CLI.hpp>

#include <memory>
#include <nlohmann/json.hpp>
#include <string>

#include "cli/cli.h"
#include "cli/node_number.h"
#include "dmi/dmi_edit.h"
#include "dmi/dmi_parse.h"
#include "dmi/latin1.h"
#include "editor/headless_view.h"
#include "editor/open_image.h"

namespace kalvire::cli {

namespace {

using nlohmann::ordered_json;

struct DmiArgs {
  std::string rom;
  bool json = false;
};

std::string PlainHex(const std::vector<uint8_t>& bytes) {
  std::string text = dmi::FormatFormattedArea(bytes);
  std::erase(text, ' ');
  return text;
}

// JSON strings must be UTF-8; the structure strings are single bytes, read as Latin-1.
ordered_json DmiJson(const dmi::DmiTables& tables) {
  ordered_json structures = ordered_json::array();
  for (uint32_t i = 0; i <= tables.structure_count; ++i) {
    const dmi::DmiStructure& record = tables.current[i];
    ordered_json strings = ordered_json::array();
    for (const std::string& text : record.strings) strings.push_back(dmi::Latin1ToUtf8(text));
    structures.push_back({{"index", i},
                          {"type", record.type},
                          {"name", dmi::DmiTypeName(record.type)},
                          {"length", record.length},
                          {"formatted", PlainHex(record.formatted)},
                          {"strings", std::move(strings)}});
  }
  return {{"structures", std::move(structures)}};
}

// Structures and strings numbered as `edit --dmi I:J` and the track log take them: hexadecimal,
// strings from 0.
void PrintDmi(std::ostream& out, const dmi::DmiTables& tables) {
  for (uint32_t i = 0; i <= tables.structure_count; ++i) {
    const dmi::DmiStructure& record = tables.current[i];
    out << "Structure " << FormatNodeNumber(i) << ": type " << record.type;
    const char* name = dmi::DmiTypeName(record.type);
    if (*name != '\0') out << ", " << name;
    out << ", length " << record.length << "\n"
        << "  formatted:" << dmi::FormatFormattedArea(record.formatted) << "\n";
    for (size_t k = 0; k < record.strings.size(); ++k) {
      out << "  string " << FormatNodeNumber(uint32_t(k)) << ": "
          << dmi::Latin1ToUtf8(record.strings[k]) << "\n";
    }
  }
}

int RunDmi(const DmiArgs& args, const CliStreams& streams) {
  editor::HeadlessEditor view;
  view.prompter.SetEcho(&streams.err);
  editor::Editor& editor = *view.editor;
  // Open parses the DMI table, and fails on one it cannot take whole.
  if (editor::OpenRomImagePath(editor, args.rom) != 1) return kExitFailure;
  if (args.json) {
    streams.out << DmiJson(editor.dmi).dump(2) << "\n";
  } else {
    PrintDmi(streams.out, editor.dmi);
  }
  return kExitSuccess;
}

}  // namespace

void AddDmiCommand(CLI::App& app, const CliStreams& streams, int& exit_code) {
  auto args = std::make_shared<DmiArgs>();
  CLI::App* command = app.add_subcommand(
      "dmi",
      "List the SMBIOS structures of the DMI module, numbered as edit --dmi I:J takes them: "
      "structure I and string J in hexadecimal, strings from 0");
  command->add_option("ROM", args->rom, "firmware image")->required();
  command->add_flag("--json", args->json, "machine-readable output");
  command->callback([args, &streams, &exit_code] { exit_code = RunDmi(*args, streams); });
}

}  // namespace kalvire::cli
