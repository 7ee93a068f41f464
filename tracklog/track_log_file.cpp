#include "tracklog/track_log_file.h"

#include <filesystem>
#include <fstream>

#include "platform/window_title.h"
#include "tracklog/line_format.h"
#include "tracklog/messages.h"

#include "util/file_io.h"

namespace kalvire::tracklog {

namespace {

std::string ShownFileName(LogContext editor) {
  if (editor.controls.prompter) {
    if (auto name =
            platform::TitleInner(editor.controls.prompter->WindowTitle(), editor.base_title)) {
      return *name;
    }
  }
  return std::filesystem::path(editor.workspace.m_path).filename().string();
}

// Another path to the same file counts too: a link, "..", a second mount of the folder.
bool IsOpenImageFile(const rom::RomWorkspace& ws, const std::string& path) {
  if (!ws.m_image_loaded || ws.m_path.empty()) return false;
  std::error_code error;
  return std::filesystem::equivalent(path, ws.m_path, error);
}

bool MayWrite(platform::Prompter& prompter, const rom::RomWorkspace& ws, const std::string& path) {
  if (IsOpenImageFile(ws, path)) {
    prompter.ShowError(kMsgTrackLogOverImage);
    return false;
  }
  std::error_code error;
  if (!std::filesystem::exists(path, error)) return true;
  const std::string name = std::filesystem::path(path).filename().string();
  return prompter.AskYesNo(FormatText(kMsgReplaceTrackLog, {name}), kCaptionConfirmSaveTrackLog,
                           platform::MessageAnswer::kNo);
}

}  // namespace

std::string DefaultLogName(LogContext editor) {
  const std::string name = ShownFileName(editor);
  if (name.empty()) return name;
  return std::filesystem::path(name).replace_extension(kLogDefaultExtension).string();
}

bool WriteTrackLogFile(const platform::ListControl& list, const std::string& path,
                       std::string* error) {
  std::string text;
  const int lines = list.GetCount();
  for (int i = 0; i < lines; ++i) text += list.GetText(i) + '\n';
  std::string reason;
  const bool written = util::WriteWholeFileAtomic(
      path, std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()), reason);
  if (error) *error = reason;
  return written;
}

void SaveTrackLog(LogContext editor) {
  platform::Prompter* prompter = editor.controls.prompter;
  const platform::ListControl* list = editor.controls.track_log;
  if (!prompter || !list) return;
  platform::FileDialogRequest request;
  request.save = true;
  request.default_extension = kLogDefaultExtension;
  request.initial_name = DefaultLogName(editor);
  request.filter = kSaveLogFilter;
  request.overwrite_prompt = false;
  const auto path = prompter->AskFilePath(request);
  if (!path || path->empty() || !MayWrite(*prompter, editor.workspace, *path)) return;
  std::string error;
  if (!WriteTrackLogFile(*list, *path, &error)) {
    prompter->ShowError(std::string(kMsgTrackLogNotWritten) + "\n" + error);
  }
}

}  // namespace kalvire::tracklog
