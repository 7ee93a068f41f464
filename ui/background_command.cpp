#include "ui/background_command.h"

#include <QCoreApplication>
#include <exception>
#include <thread>

#include "ui/gui_thread.h"
#include "ui/gui_thread_controls.h"
#include "ui/progress_dialog.h"
#include "ui/qt_prompter.h"

namespace kalvire::ui {

void BackgroundCommand::Run(editor::Editor& editor, QtPrompter& prompter, QWidget* view,
                            const std::function<void()>& command) {
  if (m_running.exchange(true)) return;
  struct Ended {
    std::atomic<bool>& running;
    ~Ended() { running = false; }
  } ended{m_running};
  std::exception_ptr failure;
  {
    ProgressDialog progress(view);
    prompter.SetProgressDialog(&progress);
    const GuiThreadControls proxies(editor);
    std::atomic<bool> done = false;
    std::thread worker([&] {
      try {
        command();
      } catch (...) {
        failure = std::current_exception();
      }
      done = true;
      PostToGuiThread(QCoreApplication::instance(), [] {});  // wakes the loop below
    });
    // Not a QEventLoop: one that an application exit has ended would return at once, and the
    // command would be left waiting for this thread.
    while (!done) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    worker.join();
    prompter.SetProgressDialog(nullptr);
  }
  if (failure) std::rethrow_exception(failure);
}

}  // namespace kalvire::ui
