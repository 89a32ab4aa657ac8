#include "util/file_open.h"

#include <cerrno>
#include <filesystem>
#include <system_error>
#include <vector>

#include "platform/native_path.h"

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace kestrel {

namespace fs = std::filesystem;

namespace {

bool IsSeparator(char c) {
#if defined(_WIN32)
  return c == '/' || c == '\\';
#else
  return c == '/';
#endif
}

// The names of path below root when path lies under it (root itself
// excluded); false when it does not, or when root is empty. A ".." step
// below root fails the whole path (error EINVAL).
bool StepsBelow(const std::string& path, const std::string& root, std::vector<std::string>& steps, int& error) {
  std::string top = root;
  while (top.size() > 1 && IsSeparator(top.back())) top.pop_back();
  if (top.empty() || path.size() <= top.size() || path.compare(0, top.size(), top) != 0) return false;
  if (!IsSeparator(path[top.size()]) && !IsSeparator(top.back())) return false;
  steps.clear();
  size_t pos = top.size();
  while (pos < path.size()) {
    while (pos < path.size() && IsSeparator(path[pos])) ++pos;
    size_t end = pos;
    while (end < path.size() && !IsSeparator(path[end])) ++end;
    if (end > pos) {
      std::string name = path.substr(pos, end - pos);
      if (name == "..") {
        error = EINVAL;
        return true;
      }
      if (name != ".") steps.push_back(std::move(name));
    }
    pos = end;
  }
  if (steps.empty()) error = EINVAL;
  return true;
}

#if !defined(_WIN32)

class Fd {
 public:
  explicit Fd(int fd = -1) : fd_(fd) {}
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  ~Fd() { reset(); }
  void reset(int fd = -1) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = fd;
  }
  int get() const { return fd_; }
  int release() {
    int fd = fd_;
    fd_ = -1;
    return fd;
  }

 private:
  int fd_;
};

// Opens the folder of the last step (every step but the last, each without
// following a link) and returns it; -1 with error set.
int OpenFolderOfLast(const std::string& root, const std::vector<std::string>& steps, int& error) {
  Fd dir(::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dir.get() < 0) {
    error = errno;
    return -1;
  }
  for (size_t i = 0; i + 1 < steps.size(); ++i) {
    const int next = ::openat(dir.get(), steps[i].c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (next < 0) {
      error = errno;
      struct stat st {};
      if (::fstatat(dir.get(), steps[i].c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(st.st_mode))
        error = ELOOP;
      return -1;
    }
    dir.reset(next);
  }
  return dir.release();
}

std::FILE* OpenWriting(const std::string& path, const std::string& root, int flags, int& error) {
  error = 0;
  if (path.empty() || path.find('\0') != std::string::npos) {
    error = EINVAL;
    return nullptr;
  }
  // O_NONBLOCK: a pipe without a reader fails at once instead of holding
  // the run; it is refused below anyway.
  flags |= O_WRONLY | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY | O_NONBLOCK;
  std::vector<std::string> steps;
  Fd fd;
  if (StepsBelow(path, root, steps, error)) {
    if (error != 0) return nullptr;
    Fd dir(OpenFolderOfLast(root, steps, error));
    if (dir.get() < 0) return nullptr;
    fd.reset(::openat(dir.get(), steps.back().c_str(), flags, 0666));
  } else {
    fd.reset(::open(path.c_str(), flags, 0666));
  }
  if (fd.get() < 0) {
    error = errno;
    return nullptr;
  }
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) {
    error = EINVAL;
    return nullptr;
  }
  ::fcntl(fd.get(), F_SETFL, ::fcntl(fd.get(), F_GETFL) & ~O_NONBLOCK);
  std::FILE* file = ::fdopen(fd.get(), (flags & O_APPEND) != 0 ? "ab" : "wb");
  if (file == nullptr) {
    error = errno;
    return nullptr;
  }
  fd.release();
  return file;
}

#else

// Windows: no folder below root and not the file itself may be a link (a
// reparse point: symbolic link or junction), checked name by name before
// the opening; the path reaches the system as UTF-16 (_wopen).
std::FILE* OpenWriting(const std::string& path, const std::string& root, bool exclusive, int& error) {
  error = 0;
  if (path.empty() || path.find('\0') != std::string::npos) {
    error = EINVAL;
    return nullptr;
  }
  std::vector<std::string> steps;
  if (StepsBelow(path, root, steps, error)) {
    if (error != 0) return nullptr;
    std::string at = root;
    while (!at.empty() && IsSeparator(at.back())) at.pop_back();
    for (const std::string& step : steps) {
      at += "\\" + step;
      if (LinkAt(at)) {
        error = ELOOP;
        return nullptr;
      }
    }
  } else if (LinkAt(path)) {
    error = ELOOP;
    return nullptr;
  }
  const int flags = _O_WRONLY | _O_CREAT | _O_BINARY | (exclusive ? _O_EXCL : _O_APPEND);
  const int fd = ::_wopen(FsPath(path).c_str(), flags, _S_IREAD | _S_IWRITE);
  if (fd < 0) {
    error = errno;
    return nullptr;
  }
  // Only a regular file (never a device such as NUL or CON).
  struct _stat64 st {};
  if (::_fstat64(fd, &st) != 0 || (st.st_mode & _S_IFMT) != _S_IFREG) {
    ::_close(fd);
    error = EINVAL;
    return nullptr;
  }
  std::FILE* file = ::_fdopen(fd, exclusive ? "wb" : "ab");
  if (file == nullptr) {
    error = errno;
    ::_close(fd);
  }
  return file;
}

#endif

}  // namespace

bool IsLinkRefusal(int error) { return error == ELOOP; }

std::FILE* OpenForAppend(const std::string& path, const std::string& root, int& error) {
#if defined(_WIN32)
  return OpenWriting(path, root, false, error);
#else
  return OpenWriting(path, root, O_CREAT | O_APPEND, error);
#endif
}

std::FILE* CreateExclusively(const std::string& path, const std::string& root, int& error) {
#if defined(_WIN32)
  return OpenWriting(path, root, true, error);
#else
  return OpenWriting(path, root, O_CREAT | O_EXCL, error);
#endif
}

int64_t OpenFileSize(std::FILE* file) {
  if (file == nullptr) return -1;
#if defined(_WIN32)
  struct _stat64 st {};
  if (_fstat64(_fileno(file), &st) != 0) return -1;
#else
  struct stat st {};
  if (::fstat(::fileno(file), &st) != 0) return -1;
#endif
  return int64_t(st.st_size);
}

bool EmptyOpenFile(std::FILE* file) {
  if (file == nullptr || std::fflush(file) != 0) return false;
#if defined(_WIN32)
  return _chsize_s(_fileno(file), 0) == 0;
#else
  return ::ftruncate(::fileno(file), 0) == 0;
#endif
}

int MakeFoldersWithoutLinks(const std::string& path, const std::string& root) {
  int error = 0;
  std::vector<std::string> steps;
  if (path.find('\0') != std::string::npos) return EINVAL;
  if (!StepsBelow(path, root, steps, error)) {
    std::error_code ec;
    fs::create_directories(FsPath(path), ec);
    if (ec) return ec.value();
    return fs::is_directory(FsPath(path), ec) ? 0 : ENOTDIR;
  }
  if (error != 0) return error;
#if defined(_WIN32)
  std::error_code made;
  fs::create_directories(FsPath(root), made);  // the base folder itself may be new
  std::string at = root;
  while (!at.empty() && IsSeparator(at.back())) at.pop_back();
  for (const std::string& step : steps) {
    at += "\\" + step;
    if (LinkAt(at)) return ELOOP;
    std::error_code ec;
    fs::create_directory(FsPath(at), ec);
    if (!fs::is_directory(FsPath(at), ec)) return ENOTDIR;
  }
  return 0;
#else
  std::error_code made;
  fs::create_directories(FsPath(root), made);  // the base folder itself may be new
  Fd dir(::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dir.get() < 0) return errno;
  for (const std::string& step : steps) {
    if (::mkdirat(dir.get(), step.c_str(), 0777) != 0 && errno != EEXIST) return errno;
    const int next = ::openat(dir.get(), step.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (next < 0) {
      struct stat st {};
      if (::fstatat(dir.get(), step.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(st.st_mode)) return ELOOP;
      return errno;
    }
    dir.reset(next);
  }
  return 0;
#endif
}

bool LinkAt(const std::string& path) { return IsLink(path); }

}  // namespace kestrel
