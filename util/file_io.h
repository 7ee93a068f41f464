// Whole-file reads and crash-safe whole-file writes.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

namespace kalvire::util {

// Reads the whole file into `out`. On failure returns false, leaves `out` untouched and puts a
// human-readable reason into `error`.
bool ReadWholeFile(const std::filesystem::path& path, std::vector<uint8_t>& out,
                   std::string& error);

// Writes `data` to a temporary file beside `path`, flushes it to disk and renames it over `path`,
// so that `path` holds either its old bytes or all the new ones, never a part. On failure returns
// false, removes the temporary file and leaves `path` as it was.
bool WriteWholeFileAtomic(const std::filesystem::path& path, std::span<const uint8_t> data,
                          std::string& error);

}  // namespace kalvire::util
