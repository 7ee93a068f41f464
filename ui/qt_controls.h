// The list, combo and button controls of the desktop view: Qt widgets behind the platform
// interfaces, so that the editing operations drive them exactly as they drive the headless ones.
#pragma once

#include <QComboBox>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <string>

#include "platform/controls.h"

namespace kalvire::ui {

// The track log list. Its horizontal scroll range covers a fixed extent whatever the lines
// hold, as the long feedback lines need.
class QtListBox final : public QListWidget, public platform::ListControl {
  Q_OBJECT

 public:
  explicit QtListBox(QWidget* parent = nullptr);

  void SetHorizontalExtent(int pixels);
  int HorizontalExtent() const { return m_horizontal_extent; }

  int AddString(const std::string& text) override;
  int GetCount() const override { return count(); }
  std::string GetText(int index) const override;
  void ResetContent() override { clear(); }

 protected:
  void updateGeometries() override;

 private:
  int m_horizontal_extent = 0;
};

// A drop-down list. Only the person's choices emit activated(); what the operations set
// through this interface emits nothing the view reacts to.
class QtComboBox final : public QComboBox, public platform::ComboControl {
  Q_OBJECT

 public:
  explicit QtComboBox(QWidget* parent = nullptr);

  int AddString(const std::string& text) override;
  int GetCount() const override { return count(); }
  std::string GetText(int index) const override;
  int FindString(const std::string& text) const override;
  void DeleteString(int index) override;
  void ResetContent() override { clear(); }
  void SetCurSel(int index) override;
  int GetCurSel() const override { return currentIndex(); }
  void SetEnabled(bool enabled) override { setEnabled(enabled); }
  bool IsEnabled() const override;

 protected:
  // Enter on the closed list chooses its current entry again, as picking it from the open list
  // does (a NUMERIC question's one entry opens "Update Data" that way).
  void keyPressEvent(QKeyEvent* event) override;
};

class QtPushButton final : public QPushButton, public platform::ButtonControl {
  Q_OBJECT

 public:
  explicit QtPushButton(const QString& text, QWidget* parent = nullptr);

  // A push button has no check mark of its own; the state is kept for the operations that set
  // it on whichever button they are given.
  void SetChecked(bool checked) override { m_checked = checked; }
  bool IsChecked() const override { return m_checked; }
  void SetEnabled(bool enabled) override { setEnabled(enabled); }
  bool IsEnabled() const override;
  void SetVisible(bool visible) override { setVisible(visible); }
  bool IsVisible() const override;

 private:
  bool m_checked = false;
};

// A radio button that the person can only check. It is not exclusive by itself: the callers
// set both radios of a pair, and the view unchecks the partner when the person clicks one.
class QtRadioButton final : public QRadioButton, public platform::ButtonControl {
  Q_OBJECT

 public:
  explicit QtRadioButton(const QString& text, QWidget* parent = nullptr);

  void SetChecked(bool checked) override { setChecked(checked); }
  bool IsChecked() const override { return isChecked(); }
  void SetEnabled(bool enabled) override { setEnabled(enabled); }
  bool IsEnabled() const override;
  void SetVisible(bool visible) override { setVisible(visible); }
  bool IsVisible() const override;

 protected:
  void nextCheckState() override { setChecked(true); }
};

// The widget's own enabled and visible styles, independent of its parents' state and of
// whether its window is on screen yet.
bool HasEnabledStyle(const QWidget& widget);
bool HasVisibleStyle(const QWidget& widget);

// Control texts keep their '&' underline, but a control of the view never takes its mnemonic
// as a shortcut: the Alt+letter keys belong to the view's hot keys.
void DropMnemonicShortcut(QAbstractButton& button);

// A label text with an '&' mnemonic as rich text that underlines the letter: a label shows
// its mnemonic, but taking it as a shortcut would collide with the hot keys as well.
QString UnderlinedMnemonic(const QString& text);

}  // namespace kalvire::ui
