#include "platform/linux/linux_system.h"

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

extern char** environ;

namespace kestrel {

namespace fs = std::filesystem;

bool LinuxSystem::WithoutPageLabel() {
  const char* v = std::getenv("KESTREL_NO_DEBUG_LABEL");
  return v != nullptr && std::string(v) == "1";
}

std::string LinuxSystem::BaseDir() {
  std::string base;
  if (const char* env = std::getenv("KESTREL_BASE"); env != nullptr && *env != '\0') {
    base = env;
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

bool LinuxSystem::IsFixedDrive(const std::string& path) {
  std::error_code ec;
  return fs::exists(path, ec);
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
  int rc = posix_spawnp(&pid, program.c_str(), nullptr, nullptr, argv.data(), environ);
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
  if (!fs::exists(path, ec)) return 2;  // file not found, as the shell says it
  ProcessResult r = RunAndWait("xdg-open", {path}, {});
  if (!r.started) return 31;  // no association
  return r.exitCode == 0 ? 42 : 31;
}

int LinuxSystem::ShellDelete(const std::string& path) {
  std::error_code ec;
  if (!fs::exists(fs::symlink_status(path, ec))) return 2;
  fs::remove_all(path, ec);
  return ec ? ec.value() : 0;
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
