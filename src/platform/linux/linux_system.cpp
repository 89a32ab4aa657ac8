#include "platform/linux/linux_system.h"

#include <dirent.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <thread>

extern char** environ;

namespace kestrel {

namespace fs = std::filesystem;

bool LinuxSystem::WithoutPageLabel() {
  const char* v = std::getenv("KESTREL_NO_DEBUG_LABEL");
  return v != nullptr && std::string(v) == "1";
}

std::string LinuxSystem::AnalysisLogLimitSetting() {
  const char* v = std::getenv("KESTREL_ANALYSIS_LOG_LIMIT");
  return v != nullptr ? std::string(v) : std::string();
}

namespace {

// A file descriptor closed when it goes.
class Descriptor {
 public:
  explicit Descriptor(int fd = -1) : fd_(fd) {}
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  ~Descriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  int get() const { return fd_; }

 private:
  int fd_;
};

// An absolute form of path without trailing slashes ("" for an empty path).
std::string AbsolutePath(const std::string& path) {
  if (path.empty()) return {};
  std::error_code ec;
  std::string out = path[0] == '/' ? path : fs::absolute(path, ec).string();
  while (out.size() > 1 && out.back() == '/') out.pop_back();
  return out;
}

// Opens the folder at an absolute path one name at a time, never through a
// link (O_PATH: for the *at calls and for reopening). -1 with errno set
// when a name on the way is missing, not a folder, a link or "..".
int OpenFolderWithoutLinks(const std::string& path) {
  if (path.empty() || path[0] != '/') {
    errno = EINVAL;
    return -1;
  }
  int fd = ::open("/", O_PATH | O_DIRECTORY | O_CLOEXEC);
  size_t pos = 1;
  while (fd >= 0 && pos < path.size()) {
    size_t end = path.find('/', pos);
    if (end == std::string::npos) end = path.size();
    const std::string name = path.substr(pos, end - pos);
    pos = end + 1;
    if (name.empty() || name == ".") continue;
    int next = -1;
    int error = EINVAL;
    if (name != "..") {
      next = ::openat(fd, name.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
      error = errno;
      struct stat st {};
      if (next >= 0 && (::fstat(next, &st) != 0 || !S_ISDIR(st.st_mode))) {
        ::close(next);
        next = -1;
        error = ENOTDIR;
      }
    }
    ::close(fd);
    fd = next;
    errno = error;
  }
  return fd;
}

// Removes name in the folder dirfd: a link or file by unlinking it, a
// folder after its contents, never following a link. 0 or the first error.
// Folders more than kMaxRemoveDepth below the first are left (ELOOP): the
// clean-up walks trees itself and hands over single entries; a tree grown
// meanwhile never runs the stack out.
constexpr int kMaxRemoveDepth = 256;

int RemoveAt(int dirfd, const std::string& name, int depth = 0) {
  if (depth > kMaxRemoveDepth) return ELOOP;
  struct stat st {};
  if (::fstatat(dirfd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) return errno;
  if (!S_ISDIR(st.st_mode)) return ::unlinkat(dirfd, name.c_str(), 0) == 0 ? 0 : errno;
  Descriptor folder(::openat(dirfd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
  if (folder.get() < 0) return errno;  // replaced by a link meanwhile: left alone
  struct stat opened {};
  if (::fstat(folder.get(), &opened) != 0) return errno;
  if (opened.st_dev != st.st_dev || opened.st_ino != st.st_ino) return EAGAIN;
  std::vector<std::string> names;
  {
    const int listing = ::dup(folder.get());
    DIR* dir = listing >= 0 ? ::fdopendir(listing) : nullptr;
    if (dir == nullptr) {
      const int error = errno;
      if (listing >= 0) ::close(listing);
      return error;
    }
    while (const dirent* entry = ::readdir(dir)) {
      const std::string entryName = entry->d_name;
      if (entryName != "." && entryName != "..") names.push_back(entryName);
    }
    ::closedir(dir);
  }
  int first = 0;
  for (const std::string& entryName : names) {
    const int result = RemoveAt(folder.get(), entryName, depth + 1);
    if (first == 0) first = result;
  }
  if (::unlinkat(dirfd, name.c_str(), AT_REMOVEDIR) != 0 && first == 0) first = errno;
  return first;
}

// posix_spawnp with only standard input, output and error handed on
// (the descriptors this process holds are not the child's).
int SpawnWithoutHandles(pid_t& pid, const std::string& program, char* const argv[]) {
  posix_spawn_file_actions_t actions;
  if (posix_spawn_file_actions_init(&actions) != 0) return errno;
  posix_spawn_file_actions_addclosefrom_np(&actions, 3);
  const int rc = posix_spawnp(&pid, program.c_str(), &actions, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  return rc;
}

// The shell's answers for opening a file (ShellExecute): above 32 opened.
constexpr int kShellFileNotFound = 2;
constexpr int kShellNoAssociation = 31;
constexpr int kShellOpened = 42;

// xdg-open's exit codes as the shell's answers: 0 opened, 2 the file does
// not exist; 3 (no program for it), 4 (the program failed) and the rest:
// no association.
int ShellResultOfOpener(int exitCode) {
  if (exitCode == 0) return kShellOpened;
  if (exitCode == 2) return kShellFileNotFound;
  return kShellNoAssociation;
}

System::EntryKind KindOf(mode_t mode) {
  if (S_ISLNK(mode)) return System::EntryKind::kLink;
  if (S_ISDIR(mode)) return System::EntryKind::kFolder;
  if (S_ISREG(mode)) return System::EntryKind::kFile;
  return System::EntryKind::kOther;
}

}  // namespace

std::string DefaultBaseDir() {
#ifdef KESTREL_DEFAULT_BASE
  return KESTREL_DEFAULT_BASE;
#else
  return {};
#endif
}

void ShareWritesWithBaseGroup(const std::string& base) {
  struct stat st {};
  if (stat(base.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return;
  if ((st.st_mode & S_ISGID) == 0 || (st.st_mode & S_IWGRP) == 0) return;
  const mode_t mask = umask(0);
  umask(mask & ~mode_t(S_IWGRP));
}

std::string LinuxSystem::BaseDir() {
  std::string base;
  if (const char* env = std::getenv("KESTREL_BASE"); env != nullptr && *env != '\0') {
    base = env;
  } else if (!DefaultBaseDir().empty()) {
    base = DefaultBaseDir();
  } else {
    std::error_code ec;
    fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (ec) {
      base = fs::current_path(ec).string();
    } else {
      base = exe.parent_path().parent_path().string();
    }
  }
  if (base.empty() || base.back() != '/') base.push_back('/');
  return base;
}

std::string LinuxSystem::WindowsDir() { return "/etc/"; }

std::string LinuxSystem::ProgramDir() {
  std::error_code ec;
  const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  return ec ? std::string() : exe.parent_path().string();
}

// Linux has no drives: the base folder is a fixed disk's when it exists.
DriveKind LinuxSystem::DriveKindOf(const std::string& path) {
  std::error_code ec;
  return fs::exists(path, ec) ? DriveKind::kFixed : DriveKind::kNoRoot;
}

bool LinuxSystem::ComputerName(std::string& name, int& error) {
  char buffer[256] = {};
  if (gethostname(buffer, sizeof buffer - 1) != 0) {
    error = errno;
    return false;
  }
  name = buffer;
  error = 0;
  return true;
}

int LinuxSystem::LastError() { return errno; }

std::string LinuxSystem::ErrorText(int code) {
  if (code == 0) code = errno;
  return std::strerror(code);
}

ProcessResult LinuxSystem::RunAndWait(const std::string& program, const std::vector<std::string>& args,
                                      const std::string& workDir) {
  ProcessResult result;
  std::vector<std::string> all;
  all.push_back(program);
  all.insert(all.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (auto& a : all) argv.push_back(a.data());
  argv.push_back(nullptr);

  std::error_code ec;
  fs::path previous = fs::current_path(ec);
  if (!workDir.empty()) fs::current_path(workDir, ec);
  pid_t pid = 0;
  const int rc = SpawnWithoutHandles(pid, program, argv.data());
  if (!workDir.empty() && !previous.empty()) fs::current_path(previous, ec);
  if (rc != 0) {
    result.error = rc;
    return result;
  }
  result.started = true;
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) {
      result.error = errno;
      return result;
    }
  }
  result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return result;
}

int LinuxSystem::ShellOpen(const std::string& path) {
  std::error_code ec;
  if (!fs::exists(path, ec)) return kShellFileNotFound;
  std::string program = "xdg-open";
  std::string file = path;
  char* argv[] = {program.data(), file.data(), nullptr};
  pid_t pid = 0;
  if (SpawnWithoutHandles(pid, program, argv) != 0) return kShellNoAssociation;
  // xdg-open returns once the viewer runs on a desktop, but without one it
  // may run the viewer itself and wait for it: a few seconds tell its
  // answer, after that the file is taken as opened and the opener is
  // reaped when it ends.
  int status = 0;
  for (int waited = 0; waited < 3000; waited += 20) {
    const pid_t done = waitpid(pid, &status, WNOHANG);
    if (done == pid) return ShellResultOfOpener(WIFEXITED(status) ? WEXITSTATUS(status) : -1);
    if (done < 0 && errno != EINTR) return kShellNoAssociation;
    usleep(20 * 1000);
  }
  std::thread([pid] {
    int ignored = 0;
    while (waitpid(pid, &ignored, 0) < 0 && errno == EINTR) {
    }
  }).detach();
  return kShellOpened;
}

int LinuxSystem::ShellDelete(const std::string& path) {
  const std::string target = AbsolutePath(path);
  const size_t slash = target.rfind('/');
  if (slash == std::string::npos) return EINVAL;
  const std::string name = target.substr(slash + 1);
  if (name.empty() || name == "." || name == "..") return EINVAL;
  Descriptor parent(OpenFolderWithoutLinks(slash == 0 ? "/" : target.substr(0, slash)));
  if (parent.get() < 0) return errno;
  return RemoveAt(parent.get(), name);
}

std::string LinuxSystem::RealPath(const std::string& path) {
  if (path.empty()) return {};
  char* real = ::realpath(path.c_str(), nullptr);
  if (real == nullptr) return {};
  std::string out = real;
  std::free(real);
  return out;
}

std::vector<System::FolderEntry> LinuxSystem::ListFolder(const std::string& folder) {
  std::vector<FolderEntry> entries;
  Descriptor path(OpenFolderWithoutLinks(AbsolutePath(folder)));
  if (path.get() < 0) return entries;
  const int fd = ::openat(path.get(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  DIR* dir = fd >= 0 ? ::fdopendir(fd) : nullptr;
  if (dir == nullptr) {
    if (fd >= 0) ::close(fd);
    return entries;
  }
  while (const dirent* entry = ::readdir(dir)) {
    FolderEntry e;
    e.name = entry->d_name;
    if (e.name == "." || e.name == "..") continue;
    struct stat st {};
    if (::fstatat(::dirfd(dir), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0) {
      e.kind = KindOf(st.st_mode);
      e.timesKnown = true;
      e.times = {int64_t(st.st_mtime), int64_t(st.st_ctime), int64_t(st.st_atime)};
    }
    entries.push_back(std::move(e));
  }
  ::closedir(dir);
  return entries;
}

bool LinuxSystem::NotifyWindow(uint64_t window, uint32_t message, uint64_t wparam, int64_t lparam,
                               std::string& error) {
  if (window == 0 || window > 0xFFFFFFFFu) {
    error = "no such window";
    return false;
  }
  return notifier_.Send(uint32_t(window), "WM__PRINTOUT", message, uint32_t(wparam), uint32_t(lparam), error);
}

uint64_t LinuxSystem::NowMilliseconds() {
  using namespace std::chrono;
  return uint64_t(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

bool LinuxSystem::GetFileTimes(const std::string& path, FileTimes& times) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return false;
  times.modified = int64_t(st.st_mtime);
  times.changed = int64_t(st.st_ctime);
  times.accessed = int64_t(st.st_atime);
  return true;
}

}  // namespace kestrel
