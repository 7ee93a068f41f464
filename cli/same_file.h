// Whether two paths name one file, so that an output never replaces an input by accident.
#pragma once

#include <filesystem>
#include <system_error>

namespace kalvire::cli {

// True when both exist and are the same file (through links or another spelling of the path),
// or when neither can be told apart after resolving them as far as they exist.
inline bool NameTheSameFile(const std::filesystem::path& a, const std::filesystem::path& b) {
  std::error_code error;
  if (std::filesystem::equivalent(a, b, error)) return true;
  std::error_code error_a, error_b;
  const auto resolved_a = std::filesystem::weakly_canonical(a, error_a);
  const auto resolved_b = std::filesystem::weakly_canonical(b, error_b);
  return !error_a && !error_b && resolved_a == resolved_b;
}

}  // namespace kalvire::cli
