#include "ui/gui_thread.h"

#include <QCoreApplication>
#include <QThread>
#include <exception>

namespace kalvire::ui {

bool OnGuiThread() {
  const QCoreApplication* application = QCoreApplication::instance();
  return !application || QThread::currentThread() == application->thread();
}

void RunOnGuiThread(const std::function<void()>& call) {
  if (OnGuiThread()) return call();
  // An exception must not unwind through the event loop of the other thread.
  std::exception_ptr failure;
  QMetaObject::invokeMethod(
      QCoreApplication::instance(),
      [&] {
        try {
          call();
        } catch (...) {
          failure = std::current_exception();
        }
      },
      Qt::BlockingQueuedConnection);
  if (failure) std::rethrow_exception(failure);
}

void PostToGuiThread(QObject* context, std::function<void()> call) {
  QMetaObject::invokeMethod(context, std::move(call), Qt::QueuedConnection);
}

}  // namespace kalvire::ui
