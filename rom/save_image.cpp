#include "rom/save_image.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <new>
#include <optional>

#include "dmi/dmi_serialize.h"
#include "rom/firmware_walk.h"
#include "rom/messages.h"
#include "rom/module_rebuild.h"
#include "rom/verify.h"
#include "tracklog/history.h"
#include "util/file_io.h"

namespace kalvire::rom {

namespace {

bool Edited(const RomWorkspace& ws) {
  return ws.m_setup_form_modified || ws.m_setup_string_modified || ws.m_dmi_modified;
}

bool HasImage(const RomWorkspace& ws) {
  return !ws.m_working_image.empty() && !ws.m_pristine_image.empty();
}

void SetTitle(Editor& editor, const std::string& title) {
  if (editor.controls.prompter) editor.controls.prompter->SetWindowTitle(title);
}

std::string CurrentTitle(const Editor& editor) {
  return editor.controls.prompter ? editor.controls.prompter->WindowTitle()
                                  : editor.workspace.m_base_title;
}

bool AskYesNo(Editor& editor, const char* text, const char* caption) {
  return editor.controls.prompter && editor.controls.prompter->AskYesNo(text, caption);
}

// Writes the image (the working image when edited, which then becomes the pristine one; else
// the pristine image) and finishes a successful save. False after "Error: Unable to save the
// file." when the writer fails: the file and the flags stay as they were.
bool WriteAndFinish(Editor& editor, const std::string& path, const ImageWriter& writer) {
  RomWorkspace& ws = editor.workspace;
  const bool edited = Edited(ws);
  const std::vector<uint8_t>& image = edited ? ws.m_working_image : ws.m_pristine_image;
  std::string error;
  if (!writer(path, image, error)) {
    if (!error.empty()) ws.m_diagnostics.push_back(error);
    ShowPlainMessage(editor, kMsgUnableToSave);
    return false;
  }
  if (edited) ws.m_pristine_image = ws.m_working_image;
  return true;
}

// A problem the image did not have before the rebuild (the same file, the same fault).
std::optional<std::string> NewProblem(const VerifyResult& before, const VerifyResult& after) {
  for (const VerifyProblem& problem : after.problems) {
    const bool known =
        std::any_of(before.problems.begin(), before.problems.end(), [&](const VerifyProblem& old) {
          return old.volume == problem.volume && old.file == problem.file &&
                 old.reason == problem.reason;
        });
    if (!known) return FormatVerifyProblem(problem);
  }
  return std::nullopt;
}

// Rebuilds the edited image and walks the result before anything is written: every file
// sound, the same files in every volume. False after "Error: Unable to save the file." and the
// reason when the rebuild broke the image.
bool RebuildVerified(Editor& editor) {
  const VerifyResult before = VerifyWorkspace(editor.workspace);
  RunRebuildSequence(editor);
  const VerifyResult after = VerifyWorkspace(editor.workspace);
  auto fault = CompareFileNames(before.files, after.files);
  if (!fault) fault = NewProblem(before, after);
  if (!fault) return true;
  const std::string text = std::string(kMsgUnableToSave) + "\n" + *fault;
  ShowPlainMessage(editor, text.c_str());
  return false;
}

// Rebuilds when asked, then writes. When either fails the workspace is put back as it was
// before the save, so that the next save starts from the same state (no second history file).
bool RebuildAndWrite(Editor& editor, const std::string& path, const ImageWriter& writer,
                     bool rebuild) {
  if (!rebuild) return WriteAndFinish(editor, path, writer);
  RomWorkspace unsaved = editor.workspace;
  if (RebuildVerified(editor) && WriteAndFinish(editor, path, writer)) return true;
  editor.workspace = std::move(unsaved);
  return false;
}

void ClearFlags(Editor& editor) {
  RomWorkspace& ws = editor.workspace;
  ws.m_setup_form_modified = false;
  ws.m_setup_string_modified = false;
  ws.m_dmi_modified = false;
  if (editor.controls.import_button) editor.controls.import_button->SetEnabled(true);
}

void Save(Editor& editor, const ImageWriter& writer) {
  if (!AskYesNo(editor, kMsgOverwrite, kCaptionConfirmSave)) return;
  RomWorkspace& ws = editor.workspace;
  if (!HasImage(ws)) {
    ShowPlainMessage(editor, kMsgUnableToSave);
    return;
  }
  const std::string path = ws.m_path;
  if (!RebuildAndWrite(editor, path, writer, Edited(ws))) return;
  ShowPlainMessage(editor, kMsgSaved);
  ClearFlags(editor);
}

// A file that can be opened for reading is one the person would overwrite.
bool FileExists(const std::string& path) {
  return std::ifstream(path, std::ios::binary).is_open();
}

void SaveAs(Editor& editor, const ImageWriter& writer) {
  if (!editor.controls.prompter) return;
  platform::FileDialogRequest request;
  request.save = true;
  request.default_extension = kRomDefaultExtension;
  request.filter = kRomFileFilter;
  request.overwrite_prompt = false;
  const auto chosen = editor.controls.prompter->AskFilePath(request);
  if (!chosen || chosen->empty()) return;
  const std::string path = *chosen;
  RomWorkspace& ws = editor.workspace;
  if (!HasImage(ws)) {
    ShowPlainMessage(editor, kMsgUnableToSave);
    return;
  }
  const std::string title = CurrentTitle(editor);
  SetTitle(editor, ws.m_base_title + kTitleOpen + kWaitSavingFile + kTitleClose);
  if (FileExists(path) && !AskYesNo(editor, kMsgFileExists, kCaptionConfirmSaveAs)) {
    SetTitle(editor, title);
    return;
  }
  const bool rebuild = Edited(ws) && ws.m_format_marker == kFormatMarkerOpened;
  if (!RebuildAndWrite(editor, path, writer, rebuild)) {
    SetTitle(editor, title);
    return;
  }
  ws.m_path = path;
  SetTitle(editor, ws.m_base_title + kTitleOpen + std::filesystem::path(path).filename().string() +
                       kTitleClose);
  ShowPlainMessage(editor, kMsgSaved);
  ClearFlags(editor);
}

// The command boundary: running out of memory ends the command with the save's error, never
// with the success message.
template <typename Command>
void Guarded(Editor& editor, Command command) {
  try {
    command();
  } catch (const std::bad_alloc&) {
    ShowPlainMessage(editor, kMsgUnableToSave);
  }
}

}  // namespace

bool WriteImageAtomically(const std::string& path, std::span<const uint8_t> image,
                          std::string& error) {
  return util::WriteWholeFileAtomic(path, image, error);
}

void RunRebuildSequence(Editor& editor) {
  tracklog::AppendHistory(editor);
  RebuildTseModule(editor);
  RebuildSetupModule(editor);
  dmi::SerializeDmiModule(editor);
  ReinsertDmiModule(editor);
  RebuildNestedVolume(editor);
  WalkFirmwareVolumes(editor);
}

void SaveRomImage(Editor& editor, const ImageWriter& writer) {
  Guarded(editor, [&] { Save(editor, writer); });
}

void SaveRomImageAs(Editor& editor, const ImageWriter& writer) {
  Guarded(editor, [&] { SaveAs(editor, writer); });
}

}  // namespace kalvire::rom
