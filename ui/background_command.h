// Runs one long command of the view (Open, Save, Save As, Full Track Log...) on a thread of
// its own while the interface thread goes on painting, with the progress dialog over the
// window. The command reaches the widgets only through the editor's controls and prompter,
// which are proxies for the run (ui/gui_thread_controls.h).
#pragma once

#include <atomic>
#include <functional>

#include "editor/editor.h"

class QWidget;

namespace kalvire::ui {

class QtPrompter;

class BackgroundCommand {
 public:
  // True from the start of Run to its end: no other command may start meanwhile.
  bool Running() const { return m_running; }

  // Runs `command` on another thread and returns when it has finished, processing the
  // interface thread's events meanwhile; `view` is the widget the progress dialog stands over.
  // An exception that ends the command is thrown again here, after the run has been cleaned
  // up. Does nothing while a run is going on.
  void Run(editor::Editor& editor, QtPrompter& prompter, QWidget* view,
           const std::function<void()>& command);

 private:
  std::atomic<bool> m_running = false;
};

}  // namespace kalvire::ui
