// tracklog: the history files that earlier saves left in an image's history area.
#include <CLI/CLI.hpp>

#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "dmi/latin1.h"
#include "editor/headless_view.h"
#include "rom/firmware_walk.h"
#include "tracklog/history.h"
#include "util/file_io.h"
#include "util/hex_text.h"

namespace kalvire::cli {

namespace {

using nlohmann::ordered_json;

struct TracklogArgs {
  std::string rom;
  bool json = false;
};

std::string Where(const tracklog::HistoryArea& area, uint64_t offset) {
  return rom::PositionText({area.buffer, offset});
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

ordered_json HistoryJson(const rom::RomWorkspace& ws, const tracklog::HistoryArea& area,
                         const tracklog::HistoryChain& chain) {
  ordered_json files = ordered_json::array();
  for (const tracklog::HistoryFile& file : chain.files) {
    ordered_json lines = ordered_json::array();
    for (const std::string& line : Lines(file.text)) lines.push_back(dmi::Latin1ToUtf8(line));
    files.push_back({{"offset", file.offset},
                     {"size", file.size},
                     {"history_name", file.history_name},
                     {"lines", std::move(lines)}});
  }
  const bool has_area = !area.Empty();
  const auto where = [has_area](uint64_t offset) {
    return has_area ? ordered_json(offset) : ordered_json(nullptr);
  };
  return {{"marker", rom::FormatGuid(ws.m_files[area.marker_index].name)},
          {"buffer", area.buffer},
          {"history_area", has_area},
          {"area_start", where(area.first)},
          {"area_end", where(area.end)},
          {"next", where(chain.next)},
          {"broken", chain.broken},
          {"files", std::move(files)}};
}

void PrintHistory(std::ostream& out, const rom::RomWorkspace& ws, const tracklog::HistoryArea& area,
                  const tracklog::HistoryChain& chain) {
  const std::string marker = rom::FormatGuid(ws.m_files[area.marker_index].name);
  if (area.Empty()) {
    out << "No history area: behind file " << marker << " there is no room before "
        << Where(area, area.end) << ".\n";
    return;
  }
  out << "History area behind file " << marker << ": " << Where(area, area.first) << " to "
      << util::HexText(area.end) << "\n";
  if (chain.files.empty()) out << "No history files.\n";
  int n = 0;
  for (const tracklog::HistoryFile& file : chain.files) {
    out << "History file " << ++n << " at " << Where(area, file.offset) << ", " << file.size
        << " bytes" << (file.history_name ? "" : ", not named as a history file") << "\n";
    for (const std::string& line : Lines(file.text)) {
      out << "  " << dmi::Latin1ToUtf8(line) << "\n";
    }
  }
  if (chain.broken) {
    out << "A file at " << Where(area, chain.next)
        << " declares a size below its header: the chain ends there.\n";
  }
}

int RunTracklog(const TracklogArgs& args, const CliStreams& streams) {
  editor::HeadlessEditor session;
  session.prompter.SetEcho(&streams.err);
  rom::RomWorkspace& ws = session.editor->workspace;
  std::string error;
  if (!util::ReadWholeFile(args.rom, ws.m_working_image, error)) {
    streams.err << "kalvire-cli: " << error << "\n";
    return kExitFailure;
  }
  // The history area is found from the volume and file tables alone; the modules that Open
  // needs to edit the image play no part in it.
  if (rom::WalkFirmwareVolumes(*session.editor) == 0) return kExitFailure;
  const auto area = tracklog::FindHistoryArea(ws);
  if (!area) {
    streams.err << "kalvire-cli: the image holds no firmware file to find the history area by\n";
    return kExitFailure;
  }
  // An area that ends before it starts holds no chain to read.
  const tracklog::HistoryChain chain =
      area->Empty() ? tracklog::HistoryChain{} : tracklog::ReadHistoryChain(ws, *area);
  if (args.json) {
    streams.out << HistoryJson(ws, *area, chain).dump(2) << "\n";
  } else {
    PrintHistory(streams.out, ws, *area, chain);
  }
  return kExitSuccess;
}

}  // namespace

void AddTracklogCommand(CLI::App& app, const CliStreams& streams, int& exit_code) {
  auto args = std::make_shared<TracklogArgs>();
  CLI::App* command =
      app.add_subcommand("tracklog", "List the history files that saves wrote into an image");
  command->add_option("ROM", args->rom, "firmware image")->required();
  command->add_flag("--json", args->json, "machine-readable output");
  command->callback([args, &streams, &exit_code] { exit_code = RunTracklog(*args, streams); });
}

}  // namespace kalvire::cli
