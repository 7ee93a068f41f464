// What a headless editor showed, as texts: its message boxes and the entries of a list or combo.
#pragma once

#include <string>
#include <vector>

#include "platform/scripted_prompter.h"

namespace kalvire::test {

inline std::vector<std::string> MessageTexts(const platform::ScriptedPrompter& prompter) {
  std::vector<std::string> texts;
  for (const auto& message : prompter.Messages()) texts.push_back(message.request.text);
  return texts;
}

template <typename Control>
std::vector<std::string> EntryTexts(const Control& control) {
  std::vector<std::string> texts;
  for (int i = 0; i < control.GetCount(); ++i) texts.push_back(control.GetText(i));
  return texts;
}

}  // namespace kalvire::test
