// CKALVIRE_1View: the main view. It owns the editor (workspace and model tables), creates its
// child controls when an Open has read a file, and routes every command, control notification,
// context menu and hot key to the core operations the command-line tool runs too.
//
// The ui/ folder: the Qt widgets of the desktop editor. It uses editor/ and the folders below it.
#pragma once

#include <QPointer>
#include <QWidget>
#include <array>
#include <functional>
#include <memory>
#include <string>

#include "editor/editor.h"
#include "editor/save_image.h"
#include "ui/background_command.h"
#include "ui/qt_prompter.h"

class QLabel;
class QShortcut;

namespace kalvire::ui {

class CTreeCtrlX;
class CompareDialog;
class QtComboBox;
class QtListBox;
class QtPushButton;
class QtRadioButton;

class CKALVIRE_1View final : public QWidget, public platform::ViewHost {
  Q_OBJECT

 public:
  explicit CKALVIRE_1View(QWidget* parent = nullptr);
  ~CKALVIRE_1View() override;

  editor::Editor& Editor() { return *m_editor; }
  QtPrompter& Prompter() { return m_prompter; }

  // The commands of the menus and the toolbar. Open asks about unsaved edits first.
  void OpenRomImage();
  // Opens `path` without a dialog (a file named on the command line); true when it is open.
  bool OpenRomImagePath(const std::string& path);
  // A file chosen from the recent-file list or dropped on the window: asks about unsaved edits
  // first, then opens it; true when it is open.
  bool OpenRomImageFile(const std::string& path);
  editor::SaveOutcome SaveRomImage();
  editor::SaveOutcome SaveRomImageAs();
  // File > Compare With...: opens a second image read-only and lists what differs from the
  // open one in the Compare With dialog; empty `path`: asks for it with the open dialog.
  void CompareWithImage(const std::string& path = {});
  // The Compare With dialog shown now, or null.
  CompareDialog* ComparisonShown() const;

  // Selects `node` in the setup tree, expanded and scrolled to; false when it has no item.
  bool SelectNode(uint32_t node);

  // Before the image is left behind: asks "Save changes to NAME?" when it has unsaved edits.
  // True when the caller may go on (no edits, Discard, or a save that wrote them).
  bool SettleUnsavedEdits();

  // The hot keys, Alt plus I, T, L, S, C, O, D, P, M, B, by identifier 0 to 9.
  static constexpr int kHotKeyCount = 10;
  void OnHotKey(int id);
  bool HotKeysRegistered() const { return m_hot_keys[0] != nullptr; }

  // The page of controls sets the least size that keeps every control usable.
  QSize minimumSizeHint() const override;

  void CreateControls(platform::ViewControls& controls) override;
  void DestroyControls(platform::ViewControls& controls) override;
  void AdoptControls() override;

 signals:
  // An Open or Save As has left an image open (the workspace path names it).
  void imageOpened();

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  struct Controls;

  void ConnectControls(Controls& c);
  void RegisterHotKeys();
  void ToggleVisibility();
  void FocusControl(QWidget* widget);
  void NoteOpenedImage();
  // The title bar's modified marker follows the workspace's modified flags; the details pane
  // and the search follow the edit.
  void ShowModified();
  // The details pane describes the selected node of the setup tree.
  void ShowSelectedNodeDetails();
  enum class FindKey { kOpen, kNext, kPrevious, kClose };
  // Ctrl+F, F3, Shift+F3 and Esc in the find bar.
  void OnFindKey(FindKey key);
  // A slot that runs `operation` on the editor, then updates the modified marker.
  std::function<void()> EditSlot(std::function<void(editor::Editor&)> operation);
  // Runs a command with the busy cursor on a thread of its own, under the progress dialog, and
  // returns when it has finished; an allocation failure that reaches this far is reported
  // instead of ending the program. Does nothing while another command runs.
  template <typename Command>
  void RunLong(Command command);

  QtPrompter m_prompter;
  // The workspace holds large fixed tables: keep it off the stack.
  std::unique_ptr<editor::Editor> m_editor = std::make_unique<editor::Editor>();
  std::unique_ptr<Controls> m_controls;  // the set the view shows
  std::unique_ptr<Controls> m_created;   // made by an Open that has not finished yet
  std::array<QShortcut*, kHotKeyCount> m_hot_keys{};
  BackgroundCommand m_background;
  QPointer<CompareDialog> m_compare;
  const Controls* m_compared_controls = nullptr;  // the set whose node numbers it lists
};

}  // namespace kalvire::ui
