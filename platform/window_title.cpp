#include "platform/window_title.h"

namespace kalvire::platform {

std::string TitleWith(std::string_view base, std::string_view inner) {
  std::string title(base);
  title += kTitleOpen;
  title += inner;
  title += kTitleClose;
  return title;
}

std::optional<std::string> TitleInner(std::string_view title, std::string_view base) {
  const std::string prefix = std::string(base) + kTitleOpen;
  const std::string_view close = kTitleClose;
  if (title.size() < prefix.size() + close.size() || !title.starts_with(prefix) ||
      !title.ends_with(close)) {
    return std::nullopt;
  }
  return std::string(title.substr(prefix.size(), title.size() - prefix.size() - close.size()));
}

void SetTitle(Prompter* prompter, const std::string& title) {
  if (prompter) prompter->SetWindowTitle(title);
}

}  // namespace kalvire::platform
