// Calls that a command running on a background thread hands to the interface thread, where
// every widget lives and is used.
#pragma once

#include <QObject>
#include <functional>
#include <optional>
#include <type_traits>
#include <utility>

namespace kalvire::ui {

// True on the thread of the application's event loop, and when there is no application.
bool OnGuiThread();

// Runs `call` on the interface thread and returns when it has finished: directly when called
// there, else through the event queue while the calling thread waits. An exception that `call`
// throws is thrown again in the calling thread.
void RunOnGuiThread(const std::function<void()>& call);

// RunOnGuiThread for a call with a result, which is handed back.
template <typename Call>
std::invoke_result_t<Call&> CallOnGuiThread(Call&& call) {
  using Result = std::invoke_result_t<Call&>;
  if constexpr (std::is_void_v<Result>) {
    RunOnGuiThread(call);
  } else {
    std::optional<Result> result;
    RunOnGuiThread([&] { result.emplace(call()); });
    return std::move(*result);
  }
}

// Queues `call` for the interface thread and returns at once; the call is dropped when
// `context`, an object of the interface thread, is destroyed first.
void PostToGuiThread(QObject* context, std::function<void()> call);

}  // namespace kalvire::ui
