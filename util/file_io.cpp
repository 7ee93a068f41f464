#include "util/file_io.h"

#include "util/large_buffer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>

namespace kalvire::util {

bool ReadWholeFile(const std::filesystem::path& path, std::vector<uint8_t>& out,
                   std::string& error) {
  std::error_code ignored;
  if (std::filesystem::is_directory(path, ignored)) {
    error = "cannot read " + path.string() + ": " + std::strerror(EISDIR);
    return false;
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    error = "cannot open " + path.string() + ": " + std::strerror(errno);
    return false;
  }
  in.seekg(0, std::ios::end);
  const std::streamoff size = in.tellg();
  if (size < 0) {
    error = "cannot tell the size of " + path.string();
    return false;
  }
  in.seekg(0, std::ios::beg);
  std::vector<uint8_t> data;
  ResizeLargeBuffer(data, static_cast<size_t>(size));
  if (size > 0 && !in.read(reinterpret_cast<char*>(data.data()), size)) {
    error = "cannot read " + path.string();
    return false;
  }
  out = std::move(data);
  return true;
}

bool WriteAllBytes(int fd, std::span<const uint8_t> data) {
  size_t done = 0;
  while (done < data.size()) {
    const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += static_cast<size_t>(n);
  }
  return true;
}

bool WriteWholeFileAtomic(const std::filesystem::path& path, std::span<const uint8_t> data,
                          std::string& error, const ByteWriter& writer) {
  // Every failure names the file asked for and the system's reason, "out.rom: No space left
  // on device"; the temporary file is named after it, so that one a crash leaves behind tells
  // what it was.
  const auto fail = [&](int reason) {
    error = path.string() + ": " + std::strerror(reason);
    return false;
  };
  std::error_code ignored;
  if (std::filesystem::is_directory(path, ignored)) return fail(EISDIR);
  if (path.filename().empty()) return fail(EISDIR);
  const std::filesystem::path dir = path.has_parent_path() ? path.parent_path() : ".";
  std::string temp = (dir / (path.filename().string() + ".XXXXXX.tmp")).string();
  const int fd = ::mkstemps(temp.data(), 4);
  if (fd < 0) return fail(errno);
  // Keep the permissions of the file being replaced; a new file gets the usual 0644 less umask.
  struct stat st {};
  mode_t mode = 0666;
  if (::stat(path.c_str(), &st) == 0) {
    mode = st.st_mode & 07777;
  } else {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    mode &= ~mask;
  }
  ::fchmod(fd, mode);

  const bool written = writer(fd, data) && ::fsync(fd) == 0;
  const int write_errno = errno;
  const bool closed = ::close(fd) == 0;
  const int close_errno = errno;
  if (!written || !closed || ::rename(temp.c_str(), path.c_str()) != 0) {
    const int reason = !written ? write_errno : !closed ? close_errno : errno;
    ::unlink(temp.c_str());
    return fail(reason);
  }
  return true;
}

}  // namespace kalvire::util
