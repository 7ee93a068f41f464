// What the editor asks of the person in front of it: message boxes, file choice, text entry and
// the main window's title. The desktop answers with real dialogs; the command-line tool and the
// tests answer from a script (ScriptedPrompter).
#pragma once

#include <array>
#include <optional>
#include <string>

namespace kalvire::platform {

enum class MessageIcon { kNone, kError, kQuestion, kWarning, kInformation };
// kSaveDiscardCancel: the question asked before edits that no save has written are left.
enum class MessageButtons { kOk, kYesNo, kSaveDiscardCancel };
enum class MessageAnswer { kOk, kYes, kNo, kCancel, kSave, kDiscard };

struct MessageBoxRequest {
  std::string text;
  std::string caption;  // empty: the application title
  MessageIcon icon = MessageIcon::kNone;
  MessageButtons buttons = MessageButtons::kOk;
  // The button that Enter presses; unset: the toolkit's usual one.
  std::optional<MessageAnswer> default_button = std::nullopt;
};

struct FileDialogRequest {
  bool save = false;              // Save dialog when true, Open dialog otherwise
  std::string default_extension;  // e.g. ".rom", appended when the chosen name has none
  std::string initial_name;       // proposed file name, may be empty
  std::string filter;             // "ROM Files (*.rom)|*.rom|All Files (*.*)|*.*||"
  bool overwrite_prompt = true;   // Save only: ask before replacing an existing file
};

// The "Update Data" dialog: one edit field preset with a text.
struct TextDialogRequest {
  std::string title = "Update Data";
  std::string initial_text;
  int max_length = 100;
};

// The "DMI Table" dialog: a caption, the formatted area as text and up to eight labelled
// string values, each of which the person may change.
struct DmiDialogData {
  static constexpr int kSlots = 8;
  static constexpr int kMaxValueLength = 64;
  std::string title;
  std::string formatted_text;
  std::array<std::string, kSlots> labels;
  std::array<std::string, kSlots> values;
};

class Prompter {
 public:
  virtual ~Prompter() = default;

  virtual MessageAnswer ShowMessage(const MessageBoxRequest& request) = 0;
  // The chosen path, or empty when the person cancelled.
  virtual std::optional<std::string> AskFilePath(const FileDialogRequest& request) = 0;
  // The entered text, or empty when the person cancelled.
  virtual std::optional<std::string> AskText(const TextDialogRequest& request) = 0;
  // Shows the dialog with `data`; on OK the edited values are stored back and true returned.
  virtual bool EditDmiStrings(DmiDialogData& data) = 0;

  virtual std::string WindowTitle() const = 0;
  virtual void SetWindowTitle(const std::string& title) = 0;
  // A long operation starts or ends: the desktop shows a busy cursor meanwhile.
  virtual void SetBusy(bool busy) = 0;
  // A long operation has reached `step` ("Reading FILE", "Verifying"...); the desktop names it
  // in its progress dialog. Called on the thread that runs the operation, which need not be the
  // interface thread: an implementation that shows it must hand it over to that thread.
  virtual void ReportProgress([[maybe_unused]] const std::string& step) {}

  // Convenience for the common boxes.
  void ShowPlain(const std::string& text) {
    ShowMessage({text, {}, MessageIcon::kNone, MessageButtons::kOk});
  }
  void ShowError(const std::string& text) {
    ShowMessage({text, {}, MessageIcon::kError, MessageButtons::kOk});
  }
  bool AskYesNo(const std::string& text, const std::string& caption,
                std::optional<MessageAnswer> default_button = std::nullopt) {
    return ShowMessage({text, caption, MessageIcon::kQuestion, MessageButtons::kYesNo,
                        default_button}) == MessageAnswer::kYes;
  }
};

}  // namespace kalvire::platform
