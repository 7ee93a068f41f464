#include "editor/open_image.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <new>
#include <string>
#include <string_view>

#include "dmi/dmi_parse.h"
#include "editor/messages.h"
#include "rom/firmware_walk.h"
#include "rom/image_damage.h"
#include "rom/messages.h"
#include "rom/module_extract.h"
#include "rom/setup_packages.h"
#include "setup/baseline.h"
#include "setup/commands.h"
#include "setup/node_control.h"
#include "setup/parse_forms.h"
#include "util/file_io.h"
#include "util/large_buffer.h"

namespace kalvire::editor {

namespace {

void CountOpen(Editor& editor) {
  if (++editor.open_count == 1 && editor.controls.prompter) {
    editor.base_title = editor.controls.prompter->WindowTitle();
  }
}

void ClearViewContents(platform::ViewControls& controls) {
  if (controls.setup_tree) controls.setup_tree->DeleteAllItems();
  if (controls.dmi_tree) controls.dmi_tree->DeleteAllItems();
  if (controls.track_log) controls.track_log->ResetContent();
}

// Undoes an Open into a fresh editor: its controls go, the image it read goes with it.
int FailOpen(Editor& editor, const char* message) {
  if (message) rom::ShowPlainMessage(editor, message);
  if (editor.controls.host) editor.controls.host->DestroyControls(editor.controls);
  return 0;
}

std::string Hex(uint64_t value) {
  char text[24];
  std::snprintf(text, sizeof text, "0x%llX", static_cast<unsigned long long>(value));
  return text;
}

// `pattern` with each "%s" replaced by the next of `values`.
std::string FillPattern(std::string_view pattern, std::initializer_list<std::string> values) {
  std::string text;
  auto next = values.begin();
  for (size_t i = 0; i < pattern.size(); ++i) {
    if (pattern.compare(i, 2, "%s") == 0 && next != values.end()) {
      text += *next++;
      ++i;
    } else {
      text += pattern[i];
    }
  }
  return text;
}

int FailOpen(Editor& editor, const std::string& message) {
  return FailOpen(editor, message.c_str());
}

// Why the baseline could not be read from the AmiTse module.
std::string BaselineFailure(const rom::RomWorkspace& ws) {
  const std::span<const uint8_t> amitse = ws.m_amitse_module.Data();
  const std::string guid = rom::FormatGuid(ws.m_amitse_name);
  const auto header = setup::FindSpfHeader(amitse);
  if (!header) return FillPattern(kMsgSpfHeaderMissing, {guid, Hex(amitse.size())});
  return FillPattern(kMsgAmiTseFormsMismatch, {guid, Hex(*header)});
}

int LocateModules(Editor& editor) {
  rom::RomWorkspace& ws = editor.workspace;
  rom::ReportProgress(editor, "Decoding DMI");
  if (rom::ExtractModule(editor, rom::kDmiModuleGuid, ws.m_dmi_module) != 1) {
    return FailOpen(editor, kMsgDmiModuleMissing);
  }
  if (dmi::CheckDmiEndOfTable(ws.m_dmi_module.Data()) != 1) {
    return FailOpen(editor, rom::kMsgDesiredModuleMissing);
  }
  // A table that cannot be taken whole has been reported by the parse; editing half of it
  // would write a broken module back, so the Open ends here.
  if (dmi::ParseDmiTable(editor) != 1) return FailOpen(editor, nullptr);
  if (rom::FindGuid(rom::kNvramStoreGuid, ws.m_working_image) != 1) {
    return FailOpen(editor, rom::kMsgDesiredModuleMissing);
  }
  rom::ReportProgress(editor, "Decoding Setup");
  if (rom::ExtractModule(editor, rom::kSetupModuleGuid, ws.m_setup_module) != 1) {
    return FailOpen(editor, kMsgSetupModuleMissing);
  }
  rom::ReportProgress(editor, "Decoding AmiTse");
  ws.m_amitse_name = rom::kAmiTseFirstGuid;
  if (rom::ExtractModule(editor, ws.m_amitse_name, ws.m_amitse_module) != 1) {
    ws.m_amitse_name = rom::kAmiTseSecondGuid;
    if (rom::ExtractModule(editor, ws.m_amitse_name, ws.m_amitse_module) != 1) {
      return FailOpen(editor, kMsgAmiTseModuleMissing);
    }
  }
  editor.setup.spf_control_header_offset = 0;
  editor.setup.spf_state_header_offset = 0;
  if (rom::FindGuid(rom::kAmiTsePkgGuid, ws.m_amitse_module.Data()) != 1) {
    return FailOpen(editor, kMsgAmiTsePkgGuidMissing);
  }
  const int packages = rom::LocateSetupPackages(ws);
  if (packages == rom::kNoPackageList) {
    return FailOpen(
        editor, FillPattern(kMsgSetupPackageListDamaged, {rom::FormatGuid(rom::kSetupModuleGuid),
                                                          Hex(ws.m_setup_module.Data().size())}));
  }
  if (packages != 1) return FailOpen(editor, kMsgNoEnglishStrings);
  rom::ReportProgress(editor, "Building the setup tree");
  if (!editor.controls.setup_tree ||
      setup::ParseSetupForms(editor, ws.m_setup_module.Data(), *editor.controls.setup_tree) != 1) {
    return FailOpen(editor, FillPattern(kMsgSetupFormsUnreadable,
                                        {Hex(ws.m_setup_packages.package_list_offset)}));
  }
  if (setup::CaptureBaseline(editor) != 1) return FailOpen(editor, BaselineFailure(ws));
  return 1;
}

// Everything after the file has been read, into an editor of its own.
int LoadImage(Editor& editor, std::vector<uint8_t>& bytes, const std::string& path) {
  rom::RomWorkspace& ws = editor.workspace;
  util::AssignLargeBuffer(ws.m_pristine_image, bytes);
  ws.m_working_image = std::move(bytes);

  editor.SetTitle(platform::TitleWith(editor.base_title, kWaitLoadingFile));
  rom::WalkFirmwareVolumes(editor);

  ws.m_path = path;
  if (editor.controls.host) editor.controls.host->CreateControls(editor.controls);
  setup::ConnectSetupTree(editor);
  if (editor.controls.optimal_option_combo) editor.controls.optimal_option_combo->ResetContent();
  ws.m_format_marker = rom::kFormatMarkerOpened;
  return LocateModules(editor);
}

// The new image is opened beside the current one, which it replaces only once it has opened:
// a file that fails leaves the current image, its edits, its controls and the title as they
// were.
int LoadImageGuarded(Editor& editor, std::vector<uint8_t>& bytes, const std::string& path) {
  const std::string title = editor.Title();
  std::unique_ptr<Editor> fresh;
  int opened = 0;
  try {
    fresh = std::make_unique<Editor>();
    if (editor.controls.host) {
      fresh->controls.prompter = editor.controls.prompter;
      fresh->controls.host = editor.controls.host;
    } else {
      // Fixed controls (tests, fuzzing) are the only ones there are: the new image fills them.
      fresh->controls = editor.controls;
      ClearViewContents(editor.controls);
    }
    fresh->base_title = editor.base_title;
    fresh->open_count = editor.open_count;
    opened = LoadImage(*fresh, bytes, path);
  } catch (const std::bad_alloc&) {
    if (fresh) FailOpen(*fresh, nullptr);
    rom::ShowPlainMessage(editor, rom::kMsgFailedToAllocateMemory);
  }
  if (opened != 1) {
    if (fresh) editor.workspace.m_diagnostics = std::move(fresh->workspace.m_diagnostics);
    editor.SetTitle(title);
    return 0;
  }
  if (editor.controls.host) editor.controls.host->AdoptControls();
  editor.workspace = std::move(fresh->workspace);
  editor.dmi = std::move(fresh->dmi);
  editor.setup = std::move(fresh->setup);
  editor.controls = fresh->controls;
  setup::ConnectSetupTree(editor);
  rom::RomWorkspace& ws = editor.workspace;
  ws.m_image_loaded = true;
  ws.m_notices = rom::WalkedImageNotices(ws);
  editor.SetTitle(
      platform::TitleWith(editor.base_title, std::filesystem::path(path).filename().string()));
  return 1;
}

int OpenChosenFile(Editor& editor, const std::string& path) {
  std::vector<uint8_t> bytes;
  std::string error;
  bool read = false;
  rom::ReportProgress(editor, "Reading " + std::filesystem::path(path).filename().string());
  try {
    read = util::ReadWholeFile(path, bytes, error);
  } catch (const std::bad_alloc&) {
    rom::ShowPlainMessage(editor, rom::kMsgFailedToAllocateMemory);
    return 0;
  }
  if (!read) {
    editor.workspace.m_diagnostics.push_back(error);
    rom::ShowErrorMessage(editor, kMsgUnableToOpenRomFile);
    return 0;
  }
  return LoadImageGuarded(editor, bytes, path);
}

}  // namespace

void OpenRomImage(Editor& editor) {
  CountOpen(editor);
  if (!editor.controls.prompter) return;
  platform::FileDialogRequest request;
  request.save = false;
  request.default_extension = kRomDefaultExtension;
  request.filter = kRomFileFilter;
  request.overwrite_prompt = false;
  const auto path = editor.controls.prompter->AskFilePath(request);
  if (!path || path->empty()) return;
  OpenChosenFile(editor, *path);
}

int OpenRomImagePath(Editor& editor, const std::string& path) {
  CountOpen(editor);
  return OpenChosenFile(editor, path);
}

int OpenRomImageBytes(Editor& editor, std::vector<uint8_t> bytes, const std::string& path) {
  CountOpen(editor);
  return LoadImageGuarded(editor, bytes, path);
}

}  // namespace kalvire::editor
