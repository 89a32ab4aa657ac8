#include "util/replacing_file.h"

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdint>
#include <filesystem>
#include <random>
#include <system_error>

#include "platform/native_path.h"

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#include <process.h>
#include <sys/stat.h>
#else
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace kestrel {

namespace {

long ProcessId() {
#if defined(_WIN32)
  return long(_getpid());
#else
  return long(::getpid());
#endif
}

// Six letters or digits no other process or thread picks at the same time:
// the random device, drawn anew for every name, mixed with the clock. No
// state is kept between names; a name that is taken anyway is refused by
// the exclusive create and another is drawn.
std::string RandomLetters() {
  static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  std::random_device device;
  uint64_t value = ((uint64_t(device()) << 32) ^ device()) ^
                   (uint64_t(std::chrono::steady_clock::now().time_since_epoch().count()) * 0x9E3779B97F4A7C15ull);
  std::string out(6, 'a');
  for (char& c : out) {
    c = kLetters[value % 62];
    value /= 62;
  }
  return out;
}

// Eight hex digits of a keyed hash (FNV-1a, 64 bits, folded) of a
// temporary file's process id and letters: the marker that tells
// Kestrel's temporary files from names that merely look like them.
std::string TemporaryCheck(long pid, const std::string& letters) {
  uint64_t hash = 0xcbf29ce484222325ull;
  const std::string text = "Kestrel temporary file/" + std::to_string(pid) + "/" + letters;
  for (unsigned char c : text) {
    hash ^= c;
    hash *= 0x100000001b3ull;
  }
  const uint32_t folded = uint32_t(hash ^ (hash >> 32));
  static constexpr char kHex[] = "0123456789abcdef";
  std::string out(8, '0');
  for (int k = 0; k < 8; ++k) out[size_t(k)] = kHex[(folded >> (28 - 4 * k)) & 0xF];
  return out;
}

bool IsLetterOrDigit(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'); }

std::string FolderOf(const std::string& path) {
  size_t slash = path.find_last_of('/');
#if defined(_WIN32)
  size_t back = path.find_last_of('\\');
  if (back != std::string::npos && (slash == std::string::npos || back > slash)) slash = back;
#endif
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

#if !defined(_WIN32)
// Whether a process runs: a process of another user counts as running, as
// does any answer but "no such process".
bool ProcessRuns(long pid) {
  if (pid == ProcessId()) return true;
  if (::kill(pid_t(pid), 0) == 0) return true;
  return errno != ESRCH;
}
#endif

}  // namespace

std::string TemporaryFileName(const std::string& stem, long pid, const std::string& letters) {
  return stem + ".part" + std::to_string(pid) + "-" + letters + "-" + TemporaryCheck(pid, letters);
}

int CreateTemporaryFile(const std::string& stem, std::string& path) {
  if (stem.find('\0') != std::string::npos) {
    errno = EINVAL;
    path.clear();
    return -1;
  }
  for (int attempt = 0; attempt < 100; ++attempt) {
    path = TemporaryFileName(stem, ProcessId(), RandomLetters());
#if defined(_WIN32)
    int fd = _wopen(FsPath(path).c_str(), _O_RDWR | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
#else
    // O_EXCL refuses any name that is taken, a link (even a dangling one)
    // included; O_NOFOLLOW says the same once more.
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY, 0666);
#endif
    if (fd >= 0) return fd;
    if (errno != EEXIST) break;
  }
  path.clear();
  return -1;
}

long TemporaryFileOwner(const std::string& name) {
  // <stem>.part<pid>-<six letters or digits>-<eight hex digits>
  const size_t at = name.rfind(".part");
  if (at == std::string::npos || at == 0) return 0;
  size_t i = at + 5;
  long pid = 0;
  size_t digits = 0;
  while (i < name.size() && name[i] >= '0' && name[i] <= '9') {
    if (++digits > 9) return 0;
    pid = pid * 10 + (name[i] - '0');
    ++i;
  }
  if (digits == 0 || pid <= 0 || name.size() != i + 1 + 6 + 1 + 8 || name[i] != '-' || name[i + 7] != '-')
    return 0;
  const std::string letters = name.substr(i + 1, 6);
  for (char c : letters)
    if (!IsLetterOrDigit(c)) return 0;
  return name.compare(i + 8, 8, TemporaryCheck(pid, letters)) == 0 ? pid : 0;
}

int RemoveDeadTemporaries(const std::string& folder) {
#if defined(_WIN32)
  (void)folder;
  return 0;
#else
  if (folder.empty()) return 0;
  int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir < 0) return 0;
  DIR* listing = ::fdopendir(dir);
  if (listing == nullptr) {
    ::close(dir);
    return 0;
  }
  int removed = 0;
  const uid_t me = ::geteuid();
  while (dirent* entry = ::readdir(listing)) {
    const std::string name = entry->d_name;
    const long pid = TemporaryFileOwner(name);
    if (pid == 0) continue;
    // The entry itself, not what a link there points to.
    struct stat st;
    if (::fstatat(dir, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
    if (!S_ISREG(st.st_mode) || st.st_uid != me) continue;
    if (ProcessRuns(pid)) continue;
    if (::unlinkat(dir, name.c_str(), 0) == 0) ++removed;
  }
  ::closedir(listing);
  return removed;
#endif
}

ReplacingFile::~ReplacingFile() { Discard(); }

bool ReplacingFile::Open(const std::string& path) {
  Discard();
  failed_ = false;
  error_ = 0;
  if (path.empty() || path.find('\0') != std::string::npos) return false;
  path_ = path;
  RemoveDeadTemporaries(FolderOf(path));
  int fd = -1;
#if defined(O_TMPFILE)
  // Without a name until it is whole (NameUnnamedFile, through /proc).
  if (::access("/proc/self/fd", X_OK) == 0) fd = ::open(FolderOf(path).c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0666);
  unnamed_ = fd >= 0;
#endif
  if (fd < 0) fd = CreateTemporaryFile(path, temp_);
  if (fd < 0) {
    error_ = errno;
    return false;
  }
#if defined(_WIN32)
  file_ = _fdopen(fd, "wb");
#else
  file_ = ::fdopen(fd, "wb");
#endif
  if (file_ == nullptr) {
    error_ = errno;
#if defined(_WIN32)
    _close(fd);
#else
    ::close(fd);
#endif
    if (!temp_.empty()) {
      std::error_code ec;
      std::filesystem::remove(FsPath(temp_), ec);
    }
    temp_.clear();
    unnamed_ = false;
  }
  return file_ != nullptr;
}

bool ReplacingFile::NameUnnamedFile() {
#if defined(O_TMPFILE)
  const std::string self = "/proc/self/fd/" + std::to_string(::fileno(file_));
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string name = TemporaryFileName(path_, ProcessId(), RandomLetters());
    // Through /proc (any user may), else by the descriptor itself (needs
    // a privilege some systems give).
    int rc = ::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW);
    if (rc != 0 && errno == ENOENT) rc = ::linkat(::fileno(file_), "", AT_FDCWD, name.c_str(), AT_EMPTY_PATH);
    if (rc == 0) {
      temp_ = std::move(name);
      unnamed_ = false;
      return true;
    }
    if (errno != EEXIST) break;
  }
  return false;
#else
  return false;
#endif
}

bool ReplacingFile::Write(std::string_view bytes) {
  if (file_ == nullptr) return false;
  if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size()) {
    failed_ = true;
    error_ = errno;
  }
  return !failed_;
}

bool ReplacingFile::Commit() {
  if (file_ == nullptr) return false;
  if (std::fflush(file_) != 0 || std::ferror(file_)) failed_ = true, error_ = errno;
  if (!failed_ && unnamed_ && !NameUnnamedFile()) failed_ = true, error_ = errno;
  if (std::fclose(file_) != 0) failed_ = true, error_ = errno;
  file_ = nullptr;
  if (!failed_) {
    std::error_code ec;
    // The new file keeps the permissions of the one it replaces (a settings
    // file opened up for every user stays open).
    auto status = std::filesystem::status(FsPath(path_), ec);
    if (!ec && std::filesystem::is_regular_file(status))
      std::filesystem::permissions(FsPath(temp_), status.permissions(), ec);
    std::filesystem::rename(FsPath(temp_), FsPath(path_), ec);
    if (!ec) {
      temp_.clear();
      return true;
    }
    failed_ = true;
    error_ = ec.value();
  }
  Discard();
  return false;
}

void ReplacingFile::Discard() {
  unnamed_ = false;
  if (file_ != nullptr) {
    std::fclose(file_);
    file_ = nullptr;
  }
  if (!temp_.empty()) {
    std::error_code ec;
    std::filesystem::remove(FsPath(temp_), ec);
    temp_.clear();
  }
}

bool ReplaceFileContents(const std::string& path, std::string_view bytes) {
  ReplacingFile file;
  return file.Open(path) && file.Write(bytes) && file.Commit();
}

}  // namespace kestrel
