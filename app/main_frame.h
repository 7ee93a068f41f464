// CMainFrame: the main window around the view, with the File/View/Help menus, the two-button
// toolbar and the status bar. The window title is the application title; the frame never adds
// a document name to it (Open and Save write their own texts into it, and the view marks it
// modified while the image has unsaved edits).
#pragma once

#include <QMainWindow>

class QAction;
class QLabel;
class QMenu;
class QToolBar;

namespace kalvire::ui {
class CKALVIRE_1View;
}

namespace kalvire::app {

class CMainFrame final : public QMainWindow {
  Q_OBJECT

 public:
  static constexpr QRect kInitialGeometry{100, 100, 950, 800};

  explicit CMainFrame(QWidget* parent = nullptr);

  ui::CKALVIRE_1View& View() { return *m_view; }
  // The actions by object name: actionFileOpen, actionFileSaveAs, actionFileCompareWith,
  // actionFileExit,
  // actionViewToolbar, actionViewStatusBar, actionHelpAbout, actionToolbarOpen,
  // actionToolbarSave.
  QAction* Action(const char* name) const;

  // File > Recent Files lists `files` as "&1 PATH" and so on; empty, the submenu is disabled.
  void ShowRecentFiles(const QStringList& files);

 signals:
  void aboutRequested();
  // A recent file was chosen, or one file was dropped on the window.
  void openRequested(const QString& path);

 protected:
  // The title bar's close, Alt+F4 and File > Exit: unsaved edits are asked about first, and
  // Cancel keeps the window open.
  void closeEvent(QCloseEvent* event) override;
  // One local file dropped on the window is opened (after the unsaved-edits question).
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  void CreateActions();
  void CreateMenus();
  void CreateToolBar();
  void CreateStatusBar();

  ui::CKALVIRE_1View* m_view = nullptr;
  QToolBar* m_toolbar = nullptr;
  QMenu* m_recent_menu = nullptr;
};

}  // namespace kalvire::app
