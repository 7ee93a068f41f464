#include "tracklog/track_log_file.h"

#include <filesystem>
#include <fstream>
#include <string_view>

#include "rom/messages.h"
#include "tracklog/messages.h"

namespace kalvire::tracklog {

namespace {

std::string ShownFileName(const rom::Editor& editor) {
  const rom::RomWorkspace& ws = editor.workspace;
  if (editor.controls.prompter) {
    const std::string title = editor.controls.prompter->WindowTitle();
    const std::string prefix = ws.m_base_title + rom::kTitleOpen;
    const std::string_view close = rom::kTitleClose;
    if (title.size() >= prefix.size() + close.size() && title.starts_with(prefix) &&
        title.ends_with(close)) {
      return title.substr(prefix.size(), title.size() - prefix.size() - close.size());
    }
  }
  return std::filesystem::path(ws.m_path).filename().string();
}

}  // namespace

std::string DefaultLogName(const rom::Editor& editor) {
  std::string name = ShownFileName(editor);
  if (name.ends_with(".rom") || name.ends_with(".ROM")) name.resize(name.size() - 4);
  return name;
}

bool WriteTrackLogFile(const platform::ListControl& list, const std::string& path) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  if (!file) return false;
  const int lines = list.GetCount();
  for (int i = 0; i < lines; ++i) {
    const std::string line = list.GetText(i);
    file.write(line.data(), std::streamsize(line.size()));
    file.put('\n');
  }
  file.close();
  return bool(file);
}

void SaveTrackLog(rom::Editor& editor) {
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
  if (!path || path->empty()) return;
  WriteTrackLogFile(*list, *path);
}

}  // namespace kalvire::tracklog
