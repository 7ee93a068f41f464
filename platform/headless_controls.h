// The list, combo and button controls of the command-line tool and the tests.
#pragma once

#include <string>
#include <vector>

#include "platform/controls.h"

namespace kalvire::platform {

class HeadlessList final : public ListControl {
 public:
  int AddString(const std::string& text) override;
  int GetCount() const override { return static_cast<int>(m_lines.size()); }
  std::string GetText(int index) const override;
  void ResetContent() override { m_lines.clear(); }

 private:
  std::vector<std::string> m_lines;
};

class HeadlessCombo final : public ComboControl {
 public:
  int AddString(const std::string& text) override;
  int GetCount() const override { return static_cast<int>(m_entries.size()); }
  std::string GetText(int index) const override;
  int FindString(const std::string& text) const override;
  void DeleteString(int index) override;
  void ResetContent() override;
  void SetCurSel(int index) override;
  int GetCurSel() const override { return m_selected; }
  void SetEnabled(bool enabled) override { m_enabled = enabled; }
  bool IsEnabled() const override { return m_enabled; }

 private:
  bool Holds(int index) const { return index >= 0 && index < GetCount(); }

  std::vector<std::string> m_entries;
  int m_selected = -1;
  bool m_enabled = true;
};

class HeadlessButton final : public ButtonControl {
 public:
  void SetChecked(bool checked) override { m_checked = checked; }
  bool IsChecked() const override { return m_checked; }
  void SetEnabled(bool enabled) override { m_enabled = enabled; }
  bool IsEnabled() const override { return m_enabled; }
  void SetVisible(bool visible) override { m_visible = visible; }
  bool IsVisible() const override { return m_visible; }

 private:
  bool m_checked = false;
  bool m_enabled = true;
  bool m_visible = true;
};

}  // namespace kalvire::platform
