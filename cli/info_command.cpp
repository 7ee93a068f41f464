// info: what the walk found in an image and what Open located in it.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>

#include "cli/cli.h"
#include "rom/headless_view.h"
#include "rom/open_image.h"
#include "util/le.h"

namespace kalvire::cli {

namespace {

using nlohmann::ordered_json;

constexpr uint64_t kFfsTypeOffset = 18;

struct InfoArgs {
  std::string rom;
  bool json = false;
};

std::string Hex(uint64_t value) {
  char text[24];
  std::snprintf(text, sizeof text, "0x%llX", static_cast<unsigned long long>(value));
  return text;
}

int FileType(const rom::RomWorkspace& ws, const rom::FileRecord& file) {
  const auto type = util::ReadU8(ws.Buffer(file.file.buffer), file.file.offset + kFfsTypeOffset);
  return type ? *type : -1;
}

ordered_json ModuleJson(const rom::ModuleSlot& slot) {
  if (!slot.Present()) return nullptr;
  return {{"data_size", slot.data_size},
          {"data_offset", slot.data_offset},
          {"compression_version", slot.compression_version}};
}

ordered_json InfoJson(const rom::RomWorkspace& ws) {
  ordered_json volumes = ordered_json::array();
  uint32_t file_index = 0;
  for (uint32_t v = 0; v < ws.m_volume_count; ++v) {
    const rom::VolumeRecord& volume = ws.m_volumes[v];
    const bool nested = volume.start.buffer != rom::kWorkingImageBuffer;
    ordered_json files = ordered_json::array();
    for (uint32_t f = 0; f < volume.file_count && file_index < ws.m_file_count; ++f, ++file_index) {
      const rom::FileRecord& file = ws.m_files[file_index];
      files.push_back({{"guid", rom::FormatGuid(file.name)},
                       {"type", FileType(ws, file)},
                       {"size", file.size}});
    }
    volumes.push_back(
        {{"index", v},
         {"offset", nested ? ordered_json(nullptr) : ordered_json(volume.start.offset)},
         {"length", volume.fv_length},
         {"nested", nested},
         {"files", std::move(files)}});
  }
  ordered_json modules = {{"dmi", ModuleJson(ws.m_dmi_module)},
                          {"setup", ModuleJson(ws.m_setup_module)},
                          {"amitse", ModuleJson(ws.m_amitse_module)}};
  if (ws.m_setup_module.Present()) {
    modules["setup"]["package_list_guid_flag"] = ws.m_setup_packages.package_list_guid_flag;
    modules["setup"]["string_count"] = ws.m_string_count;
  }
  return {{"volumes", std::move(volumes)}, {"modules", std::move(modules)}};
}

void PrintModule(std::ostream& out, const char* name, const rom::ModuleSlot& slot) {
  out << "  " << name;
  if (!slot.Present()) {
    out << "not located\n";
    return;
  }
  out << "data size " << Hex(slot.data_size) << ", data offset " << Hex(slot.data_offset)
      << ", compression version " << slot.compression_version << "\n";
}

void PrintInfo(std::ostream& out, const rom::RomWorkspace& ws) {
  uint32_t file_index = 0;
  for (uint32_t v = 0; v < ws.m_volume_count; ++v) {
    const rom::VolumeRecord& volume = ws.m_volumes[v];
    out << "Volume " << v << ": ";
    if (volume.start.buffer == rom::kWorkingImageBuffer) {
      out << "offset " << Hex(volume.start.offset);
    } else {
      out << "nested";
    }
    out << ", length " << Hex(volume.fv_length) << ", " << volume.file_count << " files\n";
    for (uint32_t f = 0; f < volume.file_count && file_index < ws.m_file_count; ++f, ++file_index) {
      const rom::FileRecord& file = ws.m_files[file_index];
      out << "  " << rom::FormatGuid(file.name) << "  type " << Hex(FileType(ws, file)) << "  size "
          << Hex(file.size) << "\n";
    }
  }
  out << "Modules:\n";
  PrintModule(out, "DMI     ", ws.m_dmi_module);
  PrintModule(out, "Setup   ", ws.m_setup_module);
  PrintModule(out, "AmiTse  ", ws.m_amitse_module);
  if (ws.m_setup_module.Present()) {
    out << "Package list GUID flag: " << int(ws.m_setup_packages.package_list_guid_flag) << "\n"
        << "Setup strings: " << ws.m_string_count << "\n";
  }
}

int RunInfo(const InfoArgs& args, const CliStreams& streams) {
  rom::HeadlessEditor session;
  session.prompter.SetEcho(&streams.err);
  if (rom::OpenRomImagePath(*session.editor, args.rom) != 1) return kExitFailure;
  const rom::RomWorkspace& ws = session.editor->workspace;
  if (args.json) {
    streams.out << InfoJson(ws).dump(2) << "\n";
  } else {
    PrintInfo(streams.out, ws);
  }
  return kExitSuccess;
}

}  // namespace

void AddInfoCommand(CLI::App& app, const CliStreams& streams, int& exit_code) {
  auto args = std::make_shared<InfoArgs>();
  CLI::App* command = app.add_subcommand("info", "List the volumes, files and located modules");
  command->add_option("ROM", args->rom, "firmware image")->required();
  command->add_flag("--json", args->json, "machine-readable output");
  command->callback([args, &streams, &exit_code] { exit_code = RunInfo(*args, streams); });
}

}  // namespace kalvire::cli
