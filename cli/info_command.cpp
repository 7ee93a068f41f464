// info: the volumes and files the walk finds in any firmware image, and which of the modules
// the editor works on it holds.
#include <CLI/CLI.hpp>

#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "editor/headless_view.h"
#include "editor/open_image.h"
#include "rom/firmware_walk.h"
#include "rom/image_damage.h"
#include "rom/module_extract.h"
#include "util/file_io.h"
#include "util/hex_text.h"
#include "util/le.h"

namespace kalvire::cli {

namespace {

using nlohmann::ordered_json;

constexpr uint64_t kFfsTypeOffset = 18;

struct InfoArgs {
  std::string rom;
  bool json = false;
};

// What the listing shows of an image: the workspace of an Open that succeeded, or of a walk
// alone with each module extracted on its own.
struct ImageInfo {
  const rom::RomWorkspace* ws = nullptr;
  bool editable = false;
  const rom::FileRecord* nvram_store = nullptr;
};

int FileType(const rom::RomWorkspace& ws, const rom::FileRecord& file) {
  const auto type = util::ReadU8(ws.Buffer(file.file.buffer), file.file.offset + kFfsTypeOffset);
  return type ? *type : -1;
}

const rom::FileRecord* FindFile(const rom::RomWorkspace& ws, const rom::Guid& name) {
  for (uint32_t i = 0; i < ws.m_file_count; ++i) {
    if (ws.m_files[i].name == name) return &ws.m_files[i];
  }
  return nullptr;
}

// The editor's modules by the names the listing gives them, absent ones included.
std::vector<std::string> MissingModules(const ImageInfo& info) {
  std::vector<std::string> missing;
  if (!info.ws->m_dmi_module.Present()) missing.push_back("DMI");
  if (!info.ws->m_setup_module.Present()) missing.push_back("Setup");
  if (!info.ws->m_amitse_module.Present()) missing.push_back("AmiTse SPF");
  if (!info.nvram_store) missing.push_back("NVRAM store");
  return missing;
}

ordered_json ModuleJson(const rom::ModuleSlot& slot) {
  if (!slot.Present()) return nullptr;
  return {{"data_size", slot.data_size},
          {"data_offset", slot.data_offset},
          {"compression_version", slot.compression_version}};
}

ordered_json InfoJson(const ImageInfo& info) {
  const rom::RomWorkspace& ws = *info.ws;
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
                          {"amitse", ModuleJson(ws.m_amitse_module)},
                          {"nvram_store", nullptr}};
  if (info.editable) {
    modules["setup"]["package_list_guid_flag"] = ws.m_setup_packages.package_list_guid_flag;
    modules["setup"]["string_count"] = ws.m_string_count;
  }
  if (info.nvram_store) modules["nvram_store"] = {{"size", info.nvram_store->size}};
  return {{"volumes", std::move(volumes)},
          {"modules", std::move(modules)},
          {"missing", MissingModules(info)},
          {"editable", info.editable},
          {"notices", rom::WalkedImageNotices(ws)}};
}

void PrintModule(std::ostream& out, const char* name, const rom::ModuleSlot& slot) {
  out << "  " << name;
  if (!slot.Present()) {
    out << "missing\n";
    return;
  }
  out << "data size " << util::HexText(slot.data_size) << ", data offset "
      << util::HexText(slot.data_offset) << ", compression version " << slot.compression_version
      << "\n";
}

void PrintInfo(std::ostream& out, const ImageInfo& info) {
  const rom::RomWorkspace& ws = *info.ws;
  uint32_t file_index = 0;
  for (uint32_t v = 0; v < ws.m_volume_count; ++v) {
    const rom::VolumeRecord& volume = ws.m_volumes[v];
    out << "Volume " << v << ": ";
    if (volume.start.buffer == rom::kWorkingImageBuffer) {
      out << "offset " << util::HexText(volume.start.offset);
    } else {
      out << "nested";
    }
    out << ", length " << util::HexText(volume.fv_length) << ", " << volume.file_count
        << " files\n";
    for (uint32_t f = 0; f < volume.file_count && file_index < ws.m_file_count; ++f, ++file_index) {
      const rom::FileRecord& file = ws.m_files[file_index];
      out << "  " << rom::FormatGuid(file.name) << "  type " << util::HexText(FileType(ws, file))
          << "  size " << util::HexText(file.size) << "\n";
    }
  }
  out << "Modules:\n";
  PrintModule(out, "DMI         ", ws.m_dmi_module);
  PrintModule(out, "Setup       ", ws.m_setup_module);
  PrintModule(out, "AmiTse SPF  ", ws.m_amitse_module);
  out << "  NVRAM store ";
  if (info.nvram_store) {
    out << "size " << util::HexText(info.nvram_store->size) << "\n";
  } else {
    out << "missing\n";
  }
  if (info.editable) {
    out << "Package list GUID flag: " << int(ws.m_setup_packages.package_list_guid_flag) << "\n"
        << "Setup strings: " << ws.m_string_count << "\n";
  } else {
    out << "The editor cannot open this image.\n";
  }
  for (const std::string& notice : rom::WalkedImageNotices(ws)) out << notice << "\n";
}

// Extracts each module the walk can find, as Open would, but without stopping at the first
// that is missing.
void ExtractModules(editor::Editor& editor) {
  rom::RomWorkspace& ws = editor.workspace;
  rom::ExtractModule(editor, rom::kDmiModuleGuid, ws.m_dmi_module);
  rom::ExtractModule(editor, rom::kSetupModuleGuid, ws.m_setup_module);
  if (rom::ExtractModule(editor, rom::kAmiTseFirstGuid, ws.m_amitse_module) != 1) {
    rom::ExtractModule(editor, rom::kAmiTseSecondGuid, ws.m_amitse_module);
  }
}

int RunInfo(const InfoArgs& args, const CliStreams& streams) {
  std::vector<uint8_t> bytes;
  std::string error;
  if (!util::ReadWholeFile(args.rom, bytes, error)) {
    streams.err << "kalvire-cli: " << error << "\n";
    return kExitFailure;
  }
  editor::HeadlessEditor opened;
  opened.prompter.SetEcho(&streams.err);
  ImageInfo info;
  info.editable = editor::OpenRomImageBytes(*opened.editor, bytes, args.rom) == 1;
  // Open has said why it failed; the walk on its own lists what the image holds.
  editor::HeadlessEditor walked;
  if (info.editable) {
    info.ws = &opened.editor->workspace;
  } else {
    rom::RomWorkspace& ws = walked.editor->workspace;
    ws.m_working_image = std::move(bytes);
    const int walk = rom::WalkFirmwareVolumes(*walked.editor);
    if (walk == 0) return kExitFailure;
    if (walk == rom::kWalkNestedVolumeUndecodable && !ws.m_diagnostics.empty()) {
      streams.err << "kalvire-cli: warning: " << ws.m_diagnostics.back()
                  << "; the files behind it are not listed\n";
    }
    ExtractModules(*walked.editor);
    info.ws = &ws;
  }
  info.nvram_store = FindFile(*info.ws, rom::kNvramStoreGuid);
  if (args.json) {
    streams.out << InfoJson(info).dump(2) << "\n";
  } else {
    PrintInfo(streams.out, info);
  }
  return kExitSuccess;
}

}  // namespace

void AddInfoCommand(CLI::App& app, const CliStreams& streams, int& exit_code) {
  auto args = std::make_shared<InfoArgs>();
  CLI::App* command = app.add_subcommand(
      "info", "List the volumes and files of any firmware image and the editor's modules in it");
  command->add_option("ROM", args->rom, "firmware image")->required();
  command->add_flag("--json", args->json, "machine-readable output");
  command->callback([args, &streams, &exit_code] { exit_code = RunInfo(*args, streams); });
}

}  // namespace kalvire::cli
