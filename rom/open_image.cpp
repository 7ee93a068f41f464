#include "rom/open_image.h"

#include <algorithm>
#include <filesystem>
#include <memory>
#include <new>

#include "dmi/dmi_parse.h"
#include "rom/capsule.h"
#include "rom/firmware_walk.h"
#include "rom/messages.h"
#include "rom/module_extract.h"
#include "rom/setup_packages.h"
#include "setup/baseline.h"
#include "setup/commands.h"
#include "setup/parse_forms.h"
#include "util/file_io.h"
#include "util/large_buffer.h"

namespace kalvire::rom {

namespace {

constexpr uint64_t kDmiTableSearchStart = 256;
constexpr uint8_t kDmiEndOfTableType = 0x7F;
constexpr uint8_t kDmiEndOfTableLength = 0x04;

void CountOpen(Editor& editor) {
  RomWorkspace& ws = editor.workspace;
  if (++ws.m_open_count == 1 && editor.controls.prompter) {
    ws.m_base_title = editor.controls.prompter->WindowTitle();
  }
}

void SetTitle(Editor& editor, const std::string& title) {
  if (editor.controls.prompter) editor.controls.prompter->SetWindowTitle(title);
}

std::string TitleWith(const RomWorkspace& ws, const std::string& inner) {
  return ws.m_base_title + kTitleOpen + inner + kTitleClose;
}

void ClearViewContents(ViewControls& controls) {
  if (controls.setup_tree) controls.setup_tree->DeleteAllItems();
  if (controls.dmi_tree) controls.dmi_tree->DeleteAllItems();
  if (controls.track_log) controls.track_log->ResetContent();
}

// Undoes an Open into a fresh editor: its controls go, the image it read goes with it.
int FailOpen(Editor& editor, const char* message) {
  if (message) ShowPlainMessage(editor, message);
  if (editor.controls.host) editor.controls.host->DestroyControls(editor.controls);
  return 0;
}

int LocateModules(Editor& editor) {
  RomWorkspace& ws = editor.workspace;
  if (ExtractModule(editor, kDmiModuleGuid, ws.m_dmi_module) != 1) {
    return FailOpen(editor, kMsgDmiModuleMissing);
  }
  if (CheckDmiEndOfTable(ws.m_dmi_module.Data()) != 1) {
    return FailOpen(editor, kMsgDesiredModuleMissing);
  }
  // A table that cannot be taken whole has been reported by the parse; editing half of it
  // would write a broken module back, so the Open ends here.
  if (dmi::ParseDmiTable(editor) != 1) return FailOpen(editor, nullptr);
  if (FindGuid(kNvramStoreGuid, ws.m_working_image) != 1) {
    return FailOpen(editor, kMsgDesiredModuleMissing);
  }
  if (ExtractModule(editor, kSetupModuleGuid, ws.m_setup_module) != 1) {
    return FailOpen(editor, kMsgSetupModuleMissing);
  }
  ws.m_amitse_name = kAmiTseFirstGuid;
  if (ExtractModule(editor, ws.m_amitse_name, ws.m_amitse_module) != 1) {
    ws.m_amitse_name = kAmiTseSecondGuid;
    if (ExtractModule(editor, ws.m_amitse_name, ws.m_amitse_module) != 1) {
      return FailOpen(editor, kMsgAmiTseModuleMissing);
    }
  }
  ws.m_spf_control_header_offset = 0;
  ws.m_spf_state_header_offset = 0;
  if (FindGuid(kAmiTsePkgGuid, ws.m_amitse_module.Data()) != 1) {
    return FailOpen(editor, kMsgAmiTsePkgGuidMissing);
  }
  const int packages = LocateSetupPackages(ws);
  if (packages == kNoPackageList) return FailOpen(editor, nullptr);
  if (packages != 1) return FailOpen(editor, kMsgNoEnglishStrings);
  if (!editor.controls.setup_tree ||
      setup::ParseSetupForms(editor, ws.m_setup_module.Data(), *editor.controls.setup_tree) != 1) {
    return FailOpen(editor, nullptr);
  }
  if (setup::CaptureBaseline(editor) != 1) return FailOpen(editor, nullptr);
  return 1;
}

// Everything after the file has been read, into an editor of its own.
int LoadImage(Editor& editor, std::vector<uint8_t>& bytes, const std::string& path) {
  RomWorkspace& ws = editor.workspace;
  util::AssignLargeBuffer(ws.m_pristine_image, bytes);
  ws.m_image_size = uint32_t(bytes.size());
  ws.m_working_image = std::move(bytes);

  SetTitle(editor, TitleWith(ws, kWaitLoadingFile));
  WalkFirmwareVolumes(editor);

  ws.m_path = path;
  if (editor.controls.host) editor.controls.host->CreateControls(editor.controls);
  setup::ConnectSetupTree(editor);
  if (editor.controls.optimal_option_combo) editor.controls.optimal_option_combo->ResetContent();
  ws.m_format_marker = kFormatMarkerOpened;
  return LocateModules(editor);
}

// The new image is opened beside the current one, which it replaces only once it has opened:
// a file that fails leaves the current image, its edits, its controls and the title as they
// were.
int LoadImageGuarded(Editor& editor, std::vector<uint8_t>& bytes, const std::string& path) {
  const std::string title = editor.controls.prompter ? editor.controls.prompter->WindowTitle()
                                                     : editor.workspace.m_base_title;
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
    fresh->workspace.m_base_title = editor.workspace.m_base_title;
    fresh->workspace.m_open_count = editor.workspace.m_open_count;
    opened = LoadImage(*fresh, bytes, path);
  } catch (const std::bad_alloc&) {
    if (fresh) FailOpen(*fresh, nullptr);
    ShowPlainMessage(editor, kMsgFailedToAllocateMemory);
  }
  if (opened != 1) {
    if (fresh) editor.workspace.m_diagnostics = std::move(fresh->workspace.m_diagnostics);
    SetTitle(editor, title);
    return 0;
  }
  if (editor.controls.host) editor.controls.host->AdoptControls();
  editor.workspace = std::move(fresh->workspace);
  editor.dmi = std::move(fresh->dmi);
  editor.setup = std::move(fresh->setup);
  editor.controls = fresh->controls;
  setup::ConnectSetupTree(editor);
  RomWorkspace& ws = editor.workspace;
  ws.m_image_loaded = true;
  ws.m_notices = ImageNotices(ws.m_working_image);
  SetTitle(editor, TitleWith(ws, std::filesystem::path(path).filename().string()));
  return 1;
}

int OpenChosenFile(Editor& editor, const std::string& path) {
  std::vector<uint8_t> bytes;
  std::string error;
  bool read = false;
  try {
    read = util::ReadWholeFile(path, bytes, error);
  } catch (const std::bad_alloc&) {
    ShowPlainMessage(editor, kMsgFailedToAllocateMemory);
    return 0;
  }
  if (!read) {
    editor.workspace.m_diagnostics.push_back(error);
    ShowErrorMessage(editor, kMsgUnableToOpenRomFile);
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

int FindGuid(const Guid& guid, std::span<const uint8_t> buffer, uint64_t* after) {
  const auto found = std::search(buffer.begin(), buffer.end(), guid.begin(), guid.end());
  if (found == buffer.end()) return 0;
  if (after) *after = uint64_t(found - buffer.begin()) + guid.size();
  return 1;
}

int CheckDmiEndOfTable(std::span<const uint8_t> data) {
  if (data.size() <= kDmiTableSearchStart) return 0;
  const auto type = std::find(data.begin() + kDmiTableSearchStart, data.end(), kDmiEndOfTableType);
  if (type == data.end() || type + 1 == data.end() || type[1] != kDmiEndOfTableLength) return 0;
  return std::find(type + 2, data.end(), 0xFF) != data.end() ? 1 : 0;
}

}  // namespace kalvire::rom
