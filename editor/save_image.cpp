#include "editor/save_image.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <new>
#include <optional>

#include "codec/lzma_encoder_memory.h"
#include "dmi/dmi_serialize.h"
#include "editor/dmi_reinsert.h"
#include "editor/messages.h"
#include "rom/compressions_ahead.h"
#include "rom/firmware_walk.h"
#include "rom/image_damage.h"
#include "rom/messages.h"
#include "rom/module_rebuild.h"
#include "rom/verify.h"
#include "rom/volume_extent.h"
#include "tracklog/history.h"
#include "util/file_io.h"

namespace kalvire::editor {

namespace {

bool HasImage(const rom::RomWorkspace& ws) {
  return !ws.m_working_image.empty() && !ws.m_pristine_image.empty();
}

bool AskYesNo(Editor& editor, const char* text, const char* caption) {
  return editor.controls.prompter && editor.controls.prompter->AskYesNo(text, caption);
}

// Keeps the message boxes of the rebuild steps instead of showing them, so that a step that
// fails can be named as the reason the save was refused; everything else goes through.
class StepMessages final : public platform::Prompter {
 public:
  StepMessages(Editor& editor) : m_editor(editor), m_inner(editor.controls.prompter) {
    editor.controls.prompter = this;
  }
  ~StepMessages() override { m_editor.controls.prompter = m_inner; }

  platform::MessageAnswer ShowMessage(const platform::MessageBoxRequest& request) override {
    m_texts.push_back(request.text);
    return platform::MessageAnswer::kOk;
  }
  std::optional<std::string> AskFilePath(const platform::FileDialogRequest& request) override {
    return m_inner ? m_inner->AskFilePath(request) : std::nullopt;
  }
  std::optional<std::string> AskText(const platform::TextDialogRequest& request) override {
    return m_inner ? m_inner->AskText(request) : std::nullopt;
  }
  bool EditDmiStrings(platform::DmiDialogData& data) override {
    return m_inner && m_inner->EditDmiStrings(data);
  }
  std::string WindowTitle() const override {
    return m_inner ? m_inner->WindowTitle() : m_editor.base_title;
  }
  void SetWindowTitle(const std::string& title) override {
    if (m_inner) m_inner->SetWindowTitle(title);
  }
  void SetBusy(bool busy) override {
    if (m_inner) m_inner->SetBusy(busy);
  }
  void ReportProgress(const std::string& step) override {
    if (m_inner) m_inner->ReportProgress(step);
  }

  // The last message kept, or `otherwise` when the step said nothing.
  std::string Reason(const char* otherwise) const {
    return m_texts.empty() ? otherwise : m_texts.back();
  }
  // Shows the kept messages after all, as the step would have.
  void Release() {
    for (const std::string& text : m_texts) {
      if (m_inner) m_inner->ShowPlain(text);
    }
    m_texts.clear();
  }

 private:
  Editor& m_editor;
  platform::Prompter* m_inner;
  std::vector<std::string> m_texts;
};

// Writes the image (the working image when edited, which then becomes the pristine one; else
// the pristine image) and finishes a successful save. False after "Error: Unable to save the
// file." when the writer fails: the file and the flags stay as they were.
bool WriteAndFinish(Editor& editor, const std::string& path, const ImageWriter& writer) {
  rom::RomWorkspace& ws = editor.workspace;
  const bool edited = ws.HasUnsavedEdits();
  const std::vector<uint8_t>& image = edited ? ws.m_working_image : ws.m_pristine_image;
  std::string error;
  rom::ReportProgress(editor, "Writing " + std::filesystem::path(path).filename().string());
  if (!writer(path, image, error)) {
    if (!error.empty()) ws.m_diagnostics.push_back(error);
    // The path and the system's reason under the message: a full disk, a read-only folder and
    // a missing one each ask for something else.
    const std::string text = error.empty() ? kMsgUnableToSave : kMsgUnableToSave + ("\n" + error);
    rom::ShowPlainMessage(editor, text.c_str());
    return false;
  }
  if (edited) ws.m_pristine_image = ws.m_working_image;
  return true;
}

// A problem the image did not have before the rebuild (the same file, the same fault).
std::optional<std::string> NewProblem(const rom::VerifyResult& before,
                                      const rom::VerifyResult& after) {
  for (const rom::VerifyProblem& problem : after.problems) {
    const bool known = std::any_of(
        before.problems.begin(), before.problems.end(), [&](const rom::VerifyProblem& old) {
          return old.volume == problem.volume && old.file == problem.file &&
                 old.reason == problem.reason;
        });
    if (!known) return rom::FormatVerifyProblem(problem);
  }
  return std::nullopt;
}

// The labels of the volumes of `before` whose bytes the rebuild that made `after` changed.
std::vector<std::string> WrittenVolumes(const rom::RomWorkspace& before,
                                        const rom::RomWorkspace& after) {
  std::vector<std::string> written;
  for (uint32_t k = 0; k < before.m_volume_count; ++k) {
    const rom::BufferPos start = before.m_volumes[k].start;
    const uint64_t end = rom::WalkedVolumeEnd(before, k);
    const auto old_bytes = before.Buffer(start.buffer);
    const auto new_bytes = after.Buffer(start.buffer);
    if (end < start.offset || end > old_bytes.size()) continue;
    if (new_bytes.size() < end ||
        !std::equal(old_bytes.begin() + start.offset, old_bytes.begin() + end,
                    new_bytes.begin() + start.offset)) {
      written.push_back(rom::PositionText(start));
    }
  }
  return written;
}

// The damage of the image as opened, and the problems it already had in a volume the save
// writes.
std::vector<rom::VerifyProblem> KnownDamage(const rom::RomWorkspace& before,
                                            const std::vector<rom::VerifyProblem>& problems,
                                            const std::vector<std::string>& written) {
  std::vector<rom::VerifyProblem> damage = rom::FindImageDamage(before);
  for (const rom::VerifyProblem& problem : problems) {
    if (std::find(written.begin(), written.end(), problem.volume) != written.end()) {
      damage.push_back(problem);
    }
  }
  return damage;
}

// True when there is no such damage or the person says to save all the same (default No).
bool ConfirmDamagedSave(Editor& editor, const std::vector<rom::VerifyProblem>& damage) {
  if (damage.empty()) return true;
  constexpr size_t kListed = 5;
  std::string text = kMsgSaveDamagedIntro;
  for (size_t i = 0; i < damage.size() && i < kListed; ++i) {
    text += "\n" + rom::FormatVerifyProblem(damage[i]);
  }
  if (damage.size() > kListed)
    text += "\n(and " + std::to_string(damage.size() - kListed) + " more)";
  text += std::string("\n") + kMsgSaveDamagedQuestion;
  return editor.controls.prompter && editor.controls.prompter->AskYesNo(
                                         text, kCaptionSaveDamaged, platform::MessageAnswer::kNo);
}

// Rebuilds the edited image and walks the result before anything is written: every module
// put back, every file sound, the same files in every volume. False after "Error: Unable to
// save the file." and the reason when the rebuild could not hold every edit or broke the image,
// and when the image was damaged and the person did not confirm the save.
bool RebuildVerified(Editor& editor, const rom::RomWorkspace& unsaved, SaveOutcome& outcome) {
  const rom::VerifyResult before = rom::VerifyWorkspace(editor.workspace);
  const RebuildOutcome rebuilt = RunRebuildSequence(editor);
  outcome.history_skipped = rebuilt.history_skipped;
  outcome.dmi_restored = rebuilt.dmi_restored;
  std::optional<std::string> fault = rebuilt.refusal;
  if (!fault) {
    rom::ReportProgress(editor, "Verifying");
    const rom::VerifyResult after = rom::VerifyWorkspace(editor.workspace);
    fault = rom::CompareFileNames(before.files, after.files);
    if (!fault) fault = NewProblem(before, after);
  }
  if (!fault) {
    return ConfirmDamagedSave(
        editor, KnownDamage(unsaved, before.problems, WrittenVolumes(unsaved, editor.workspace)));
  }
  const std::string text = std::string(kMsgUnableToSave) + "\n" + *fault;
  rom::ShowPlainMessage(editor, text.c_str());
  return false;
}

// Rebuilds when asked, then writes. When either fails the workspace is put back as it was
// before the save, so that the next save starts from the same state (no second history file).
bool RebuildAndWrite(Editor& editor, const std::string& path, const ImageWriter& writer,
                     bool rebuild, SaveOutcome& outcome) {
  if (!rebuild) {
    return ConfirmDamagedSave(editor, rom::FindImageDamage(editor.workspace)) &&
           WriteAndFinish(editor, path, writer);
  }
  rom::RomWorkspace unsaved = editor.workspace;
  if (RebuildVerified(editor, unsaved, outcome) && WriteAndFinish(editor, path, writer)) {
    return true;
  }
  editor.workspace = std::move(unsaved);
  editor.dmi.rebuild_buffer.clear();
  return false;
}

void ClearFlags(Editor& editor) {
  rom::RomWorkspace& ws = editor.workspace;
  ws.m_setup_form_modified = false;
  ws.m_setup_string_modified = false;
  ws.m_dmi_modified = false;
  if (editor.controls.import_button) editor.controls.import_button->SetEnabled(true);
}

void Save(Editor& editor, const ImageWriter& writer, SaveOutcome& outcome) {
  if (!AskYesNo(editor, kMsgOverwrite, kCaptionConfirmSave)) return;
  rom::RomWorkspace& ws = editor.workspace;
  if (!HasImage(ws)) {
    rom::ShowPlainMessage(editor, kMsgUnableToSave);
    return;
  }
  const std::string path = ws.m_path;
  if (!RebuildAndWrite(editor, path, writer, ws.HasUnsavedEdits(), outcome)) return;
  rom::ShowPlainMessage(editor, kMsgSaved);
  ClearFlags(editor);
  outcome.saved = true;
}

// A file that can be opened for reading is one the person would overwrite.
bool FileExists(const std::string& path) {
  return std::ifstream(path, std::ios::binary).is_open();
}

void SaveAs(Editor& editor, const ImageWriter& writer, SaveOutcome& outcome) {
  if (!editor.controls.prompter) return;
  platform::FileDialogRequest request;
  request.save = true;
  request.default_extension = kRomDefaultExtension;
  request.filter = kRomFileFilter;
  request.overwrite_prompt = false;
  const auto chosen = editor.controls.prompter->AskFilePath(request);
  if (!chosen || chosen->empty()) return;
  const std::string path = *chosen;
  rom::RomWorkspace& ws = editor.workspace;
  if (!HasImage(ws)) {
    rom::ShowPlainMessage(editor, kMsgUnableToSave);
    return;
  }
  const std::string title = editor.Title();
  editor.SetTitle(platform::TitleWith(editor.base_title, kWaitSavingFile));
  // The question names the file: a name the dialog completed may not be the one typed.
  const std::string exists = std::string(kMsgFileExists) + "\n" + path;
  if (FileExists(path) && !AskYesNo(editor, exists.c_str(), kCaptionConfirmSaveAs)) {
    editor.SetTitle(title);
    return;
  }
  const bool rebuild = ws.HasUnsavedEdits() && ws.m_format_marker == rom::kFormatMarkerOpened;
  if (!RebuildAndWrite(editor, path, writer, rebuild, outcome)) {
    editor.SetTitle(title);
    return;
  }
  ws.m_path = path;
  editor.SetTitle(
      platform::TitleWith(editor.base_title, std::filesystem::path(path).filename().string()));
  rom::ShowPlainMessage(editor, kMsgSaved);
  ClearFlags(editor);
  outcome.saved = true;
}

// The command boundary: running out of memory ends the command with the save's error, never
// with the success message.
template <typename Command>
SaveOutcome Guarded(Editor& editor, Command command) {
  SaveOutcome outcome;
  try {
    command(outcome);
  } catch (const std::bad_alloc&) {
    rom::ShowPlainMessage(editor, kMsgUnableToSave);
    outcome.saved = false;
  }
  return outcome;
}

// The module compressions of the rebuild sequence start at once on the workers; the DMI
// module's from its data serialized ahead (its step serializes it again, in its place).
void StartCompressionsAhead(Editor& editor, rom::RomContext context) {
  if (!context.ahead) return;
  rom::StartModuleCompressions(context);
  if (!editor.workspace.m_dmi_modified) return;
  std::vector<uint8_t> dmi_data;
  if (dmi::BuildDmiModuleData(editor.workspace.m_dmi_module.Data(), editor.dmi, dmi_data)) {
    rom::StartDmiCompression(context, dmi_data);
  }
}

}  // namespace

bool WriteImageAtomically(const std::string& path, std::span<const uint8_t> image,
                          std::string& error) {
  return util::WriteWholeFileAtomic(path, image, error);
}

RebuildOutcome RunRebuildSequence(Editor& editor) {
  // The compressions of one rebuild share the encoder's memory; it goes back once they are done.
  struct EncoderMemory {
    ~EncoderMemory() { codec::ReleaseLzmaEncoderMemory(); }
  } encoder_memory;
  RebuildOutcome outcome;
  outcome.history_skipped = tracklog::AppendHistory(editor) == tracklog::kHistoryNoRoom;
  StepMessages messages(editor);
  const auto refuse = [&](const char* otherwise) {
    outcome.refusal = messages.Reason(otherwise);
    editor.dmi.rebuild_buffer.clear();
    return outcome;
  };
  std::optional<rom::CompressionsAhead> ahead;
  if (const unsigned workers = rom::RebuildWorkerCount()) ahead.emplace(workers);
  rom::RomContext context = editor;
  context.ahead = ahead ? &*ahead : nullptr;
  StartCompressionsAhead(editor, context);
  if (rom::RebuildTseModule(context) != 1) return refuse(kMsgTseNotRebuilt);
  if (rom::RebuildSetupModule(context) != 1) return refuse(kMsgSetupNotRebuilt);
  if (editor.workspace.m_dmi_modified) rom::ReportProgress(editor, "Rebuilding module DMI");
  if (dmi::SerializeDmiModule(editor) != 1) return refuse(kMsgDmiNotRebuilt);
  const int dmi = ReinsertDmiModule(editor, context.ahead);
  if (dmi == kDmiModuleRestored) {
    messages.Release();
    outcome.dmi_restored = true;
  } else if (dmi != 1) {
    return refuse(kMsgDmiNotRebuilt);
  }
  if (editor.workspace.m_nested.file_index != 0 && rom::RebuildNestedVolume(editor) != 1) {
    return refuse(kMsgNestedVolumeNotRebuilt);
  }
  rom::WalkFirmwareVolumes(editor);
  messages.Release();
  return outcome;
}

SaveOutcome SaveRomImage(Editor& editor, const ImageWriter& writer) {
  return Guarded(editor, [&](SaveOutcome& outcome) { Save(editor, writer, outcome); });
}

SaveOutcome SaveRomImageAs(Editor& editor, const ImageWriter& writer) {
  return Guarded(editor, [&](SaveOutcome& outcome) { SaveAs(editor, writer, outcome); });
}

}  // namespace kalvire::editor
