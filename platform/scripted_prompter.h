// The prompter of the command-line tool and the tests: answers every question from a script
// prepared in advance and records everything it was asked and shown, in order.
#pragma once

#include <deque>
#include <map>
#include <optional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "platform/prompter.h"

namespace kalvire::platform {

struct RecordedMessage {
  MessageBoxRequest request;
  MessageAnswer answer = MessageAnswer::kOk;
  bool unanswered = false;  // a question met an empty answer queue
};

// One press of OK in the DMI dialog: new values by slot index; other slots keep theirs.
using DmiEdits = std::map<int, std::string>;

class ScriptedPrompter final : public Prompter {
 public:
  explicit ScriptedPrompter(std::string base_title = "KALVIRE");

  // The script. Each queue is consumed front first; an empty queue means the person cancelled
  // (for Yes/No questions: the default answer, No unless set otherwise).
  void QueueAnswer(bool yes) { m_answers.push_back(yes); }
  void SetDefaultAnswer(bool yes) { m_default_answer = yes; }
  // Save, Discard or Cancel for the next Save/Discard/Cancel question; an empty queue: Cancel.
  void QueueChoice(MessageAnswer choice) { m_choices.push_back(choice); }
  // nullopt or an empty path: Cancel.
  void QueueFilePath(std::optional<std::string> path) { m_paths.push_back(std::move(path)); }
  void QueueText(std::optional<std::string> text) { m_texts.push_back(std::move(text)); }
  // Returns false and queues nothing when a slot index is outside the dialog's slots.
  bool QueueDmiEdits(std::optional<DmiEdits> edits);

  // Every message text is also written to `out` (nullptr: nowhere) as one line when shown.
  void SetEcho(std::ostream* out) { m_echo = out; }
  // False: a chosen name is taken exactly as queued, as a command line names its files.
  void SetAddsDefaultExtension(bool adds) { m_adds_extension = adds; }

  MessageAnswer ShowMessage(const MessageBoxRequest& request) override;
  // A chosen name without an extension gets the request's default extension, as the file
  // dialog adds it.
  std::optional<std::string> AskFilePath(const FileDialogRequest& request) override;
  // The answer is cut to the request's max_length, as the edit field limits it.
  std::optional<std::string> AskText(const TextDialogRequest& request) override;
  // New values are cut to DmiDialogData::kMaxValueLength.
  bool EditDmiStrings(DmiDialogData& data) override;
  std::string WindowTitle() const override { return m_title; }
  void SetWindowTitle(const std::string& title) override;
  void SetBusy(bool busy) override;

  // The records, in the order of the calls.
  const std::vector<RecordedMessage>& Messages() const { return m_messages; }
  const std::vector<FileDialogRequest>& FileRequests() const { return m_file_requests; }
  const std::vector<TextDialogRequest>& TextRequests() const { return m_text_requests; }
  const std::vector<DmiDialogData>& DmiRequests() const { return m_dmi_requests; }
  const std::vector<std::string>& Titles() const { return m_titles; }  // every title set
  int BusyOnCount() const { return m_busy_on; }
  int BusyOffCount() const { return m_busy_off; }
  bool IsBusy() const { return m_busy; }

 private:
  std::deque<bool> m_answers;
  bool m_default_answer = false;
  bool m_adds_extension = true;
  std::deque<MessageAnswer> m_choices;
  std::deque<std::optional<std::string>> m_paths;
  std::deque<std::optional<std::string>> m_texts;
  std::deque<std::optional<DmiEdits>> m_dmi_edits;
  std::ostream* m_echo = nullptr;

  std::vector<RecordedMessage> m_messages;
  std::vector<FileDialogRequest> m_file_requests;
  std::vector<TextDialogRequest> m_text_requests;
  std::vector<DmiDialogData> m_dmi_requests;
  std::string m_title;
  std::vector<std::string> m_titles;
  int m_busy_on = 0;
  int m_busy_off = 0;
  bool m_busy = false;
};

}  // namespace kalvire::platform
