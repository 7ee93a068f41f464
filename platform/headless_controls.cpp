#include "platform/headless_controls.h"

#include <algorithm>

namespace kalvire::platform {

int HeadlessList::AddString(const std::string& text) {
  m_lines.push_back(text);
  return GetCount() - 1;
}

std::string HeadlessList::GetText(int index) const {
  if (index < 0 || index >= GetCount()) return {};
  return m_lines[index];
}

int HeadlessCombo::AddString(const std::string& text) {
  m_entries.push_back(text);
  return GetCount() - 1;
}

std::string HeadlessCombo::GetText(int index) const {
  return Holds(index) ? m_entries[index] : std::string();
}

int HeadlessCombo::FindString(const std::string& text) const {
  const auto it = std::find(m_entries.begin(), m_entries.end(), text);
  return it == m_entries.end() ? -1 : static_cast<int>(it - m_entries.begin());
}

void HeadlessCombo::DeleteString(int index) {
  if (!Holds(index)) return;
  m_entries.erase(m_entries.begin() + index);
  if (index == m_selected) {
    m_selected = -1;
  } else if (index < m_selected) {
    --m_selected;
  }
}

void HeadlessCombo::ResetContent() {
  m_entries.clear();
  m_selected = -1;
}

void HeadlessCombo::SetCurSel(int index) {
  m_selected = Holds(index) ? index : -1;
}

}  // namespace kalvire::platform
