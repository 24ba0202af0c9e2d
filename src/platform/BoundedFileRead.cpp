#include "platform/BoundedFileRead.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace {

// Closes the descriptor on every way out.
struct OwnedDescriptor {
  int fd;
  ~OwnedDescriptor() {
    if (fd >= 0) ::close(fd);
  }
};

std::string ReadBoundText(std::size_t bytes) {
  if (bytes >= (std::size_t{1} << 20) && bytes % (std::size_t{1} << 20) == 0)
    return std::to_string(bytes >> 20) + " MB";
  if (bytes >= 1024 && bytes % 1024 == 0) return std::to_string(bytes >> 10) + " kB";
  return std::to_string(bytes) + " bytes";
}

}  // namespace

FileReadResult ReadBoundedRegularFile(const std::string& path, std::size_t maxBytes,
                                      std::string& text) {
  // Non-blocking, so that opening a FIFO with no writer returns at once; the
  // type test below then refuses it.
  OwnedDescriptor file{::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC)};
  if (file.fd < 0) return errno == EISDIR ? FileReadResult::NotRegular : FileReadResult::CannotOpen;
  struct stat info {};
  if (::fstat(file.fd, &info) != 0) return FileReadResult::ReadFailed;
  if (!S_ISREG(info.st_mode)) return FileReadResult::NotRegular;
  if (info.st_size < 0 || static_cast<unsigned long long>(info.st_size) > maxBytes)
    return FileReadResult::TooLarge;
  std::string content;
  content.resize(static_cast<std::size_t>(info.st_size));
  std::size_t done = 0;
  // A file that grows while it is read is still read only up to the bound.
  for (;;) {
    if (done == content.size()) {
      if (content.size() >= maxBytes + 1) return FileReadResult::TooLarge;
      content.resize(std::min(maxBytes + 1, content.size() + 4096));
    }
    const ssize_t n = ::read(file.fd, content.data() + done, content.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return FileReadResult::ReadFailed;
    }
    if (n == 0) break;
    done += static_cast<std::size_t>(n);
  }
  if (done > maxBytes) return FileReadResult::TooLarge;
  content.resize(done);
  text = std::move(content);
  return FileReadResult::Read;
}

std::string FileReadProblem(FileReadResult result, std::size_t maxBytes) {
  switch (result) {
    case FileReadResult::Read:
      return {};
    case FileReadResult::CannotOpen:
      return "it cannot be opened";
    case FileReadResult::NotRegular:
      return "it is not a regular file";
    case FileReadResult::TooLarge:
      return "it is larger than " + ReadBoundText(maxBytes);
    case FileReadResult::ReadFailed:
      break;
  }
  return "it could not be read";
}
