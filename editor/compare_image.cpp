#include "editor/compare_image.h"

#include "editor/headless_view.h"
#include "editor/messages.h"
#include "editor/open_image.h"

namespace kalvire::editor {

std::optional<Comparison> CompareWithImage(Editor& editor) {
  platform::Prompter* prompter = editor.controls.prompter;
  if (!prompter) return std::nullopt;
  platform::FileDialogRequest request;
  request.default_extension = kRomDefaultExtension;
  request.filter = kRomFileFilter;
  request.overwrite_prompt = false;
  const auto path = prompter->AskFilePath(request);
  if (!path || path->empty()) return std::nullopt;
  return CompareWithImagePath(editor, *path);
}

std::optional<Comparison> CompareWithImagePath(Editor& editor, const std::string& path) {
  platform::Prompter* prompter = editor.controls.prompter;
  if (prompter) prompter->ReportProgress("Comparing with " + path);
  HeadlessEditor other;
  if (OpenRomImagePath(*other.editor, path) != 1) {
    if (prompter)
      for (const platform::RecordedMessage& message : other.prompter.Messages())
        prompter->ShowMessage(message.request);
    return std::nullopt;
  }
  return Comparison{path, DiffImages(editor, *other.editor)};
}

}  // namespace kalvire::editor
