#include "platform/scripted_prompter.h"

#include <filesystem>
#include <utility>

namespace kalvire::platform {
namespace {

template <typename T>
std::optional<T> PopOrCancel(std::deque<std::optional<T>>& queue) {
  if (queue.empty()) return std::nullopt;
  std::optional<T> front = std::move(queue.front());
  queue.pop_front();
  return front;
}

std::string CutTo(std::string text, int max_length) {
  // A limit of 0 or less leaves the field unlimited, as an edit control's limit of 0 does.
  if (max_length > 0 && text.size() > static_cast<size_t>(max_length)) text.resize(max_length);
  return text;
}

}  // namespace

ScriptedPrompter::ScriptedPrompter(std::string base_title) : m_title(std::move(base_title)) {}

bool ScriptedPrompter::QueueDmiEdits(std::optional<DmiEdits> edits) {
  if (edits) {
    for (const auto& [slot, value] : *edits) {
      if (slot < 0 || slot >= DmiDialogData::kSlots) return false;
    }
  }
  m_dmi_edits.push_back(std::move(edits));
  return true;
}

MessageAnswer ScriptedPrompter::ShowMessage(const MessageBoxRequest& request) {
  if (m_echo != nullptr) *m_echo << request.text << '\n';
  RecordedMessage record{request, MessageAnswer::kOk, false};
  if (request.buttons == MessageButtons::kYesNo) {
    bool yes = m_default_answer;
    if (m_answers.empty()) {
      record.unanswered = true;
    } else {
      yes = m_answers.front();
      m_answers.pop_front();
    }
    record.answer = yes ? MessageAnswer::kYes : MessageAnswer::kNo;
  } else if (request.buttons == MessageButtons::kSaveDiscardCancel) {
    record.answer = MessageAnswer::kCancel;
    if (m_choices.empty()) {
      record.unanswered = true;
    } else {
      record.answer = m_choices.front();
      m_choices.pop_front();
    }
  }
  m_messages.push_back(record);
  return record.answer;
}

std::optional<std::string> ScriptedPrompter::AskFilePath(const FileDialogRequest& request) {
  m_file_requests.push_back(request);
  std::optional<std::string> path = PopOrCancel(m_paths);
  if (!path || path->empty()) return std::nullopt;
  const std::string& extension = request.default_extension;
  if (m_adds_extension && !extension.empty() && !std::filesystem::path(*path).has_extension()) {
    if (extension.front() != '.') *path += '.';
    *path += extension;
  }
  return path;
}

std::optional<std::string> ScriptedPrompter::AskText(const TextDialogRequest& request) {
  m_text_requests.push_back(request);
  std::optional<std::string> text = PopOrCancel(m_texts);
  if (!text) return std::nullopt;
  return CutTo(std::move(*text), request.max_length);
}

bool ScriptedPrompter::EditDmiStrings(DmiDialogData& data) {
  m_dmi_requests.push_back(data);
  const std::optional<DmiEdits> edits = PopOrCancel(m_dmi_edits);
  if (!edits) return false;
  for (const auto& [slot, value] : *edits) {
    data.values[slot] = CutTo(value, DmiDialogData::kMaxValueLength);
  }
  return true;
}

void ScriptedPrompter::SetWindowTitle(const std::string& title) {
  m_title = title;
  m_titles.push_back(title);
}

void ScriptedPrompter::SetBusy(bool busy) {
  ++(busy ? m_busy_on : m_busy_off);
  m_busy = busy;
}

}  // namespace kalvire::platform
