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
  const std::filesystem::path dir = path.has_parent_path() ? path.parent_path() : ".";
  std::string name = ".";
  name += path.filename().string();
  name += ".XXXXXX";
  std::string temp = (dir / name).string();
  const int fd = ::mkstemp(temp.data());
  if (fd < 0) {
    error = "cannot create a temporary file in " + dir.string() + ": " + std::strerror(errno);
    return false;
  }
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
  const int saved_errno = errno;
  const bool closed = ::close(fd) == 0;
  if (!written || !closed) {
    error = "cannot write " + temp + ": " + std::strerror(written ? errno : saved_errno);
    ::unlink(temp.c_str());
    return false;
  }
  if (::rename(temp.c_str(), path.c_str()) != 0) {
    error = "cannot replace " + path.string() + ": " + std::strerror(errno);
    ::unlink(temp.c_str());
    return false;
  }
  return true;
}

}  // namespace kalvire::util
