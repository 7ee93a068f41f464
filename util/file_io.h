// Whole-file reads and crash-safe whole-file writes.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <span>
#include <string>
#include <vector>

namespace kalvire::util {

// Reads the whole file into `out`. On failure returns false, leaves `out` untouched and puts a
// human-readable reason into `error`.
bool ReadWholeFile(const std::filesystem::path& path, std::vector<uint8_t>& out,
                   std::string& error);

// Writes all of `data` to the open file descriptor `fd`; false with errno set when it cannot.
using ByteWriter = std::function<bool(int fd, std::span<const uint8_t> data)>;

// The writer the program uses: write(2) until every byte is out.
bool WriteAllBytes(int fd, std::span<const uint8_t> data);

// Writes `data` to a temporary file beside `path`, flushes it to disk and renames it over `path`,
// so that `path` holds either its old bytes or all the new ones, never a part. The temporary
// file is "NAME.XXXXXX.tmp" beside it. On failure returns false with "PATH: the system's reason"
// in `error` ("out.rom: No space left on device"), removes the temporary file and leaves `path`
// as it was; a folder is refused. `writer` puts the bytes into the temporary file (a test can
// make it fail part way, as a full disk does).
bool WriteWholeFileAtomic(const std::filesystem::path& path, std::span<const uint8_t> data,
                          std::string& error, const ByteWriter& writer = WriteAllBytes);

}  // namespace kalvire::util
