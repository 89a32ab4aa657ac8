#include "support/x11_fixture.h"

#include <signal.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

extern char** environ;

namespace kestrel::test {

namespace {
void Stop(pid_t pid) {
  if (pid <= 0) return;
  kill(pid, SIGTERM);
  int status = 0;
  waitpid(pid, &status, 0);
}
}  // namespace

XServer::XServer() {
  if (const char* d = std::getenv("DISPLAY")) {
    previous_ = d;
    hadPrevious_ = true;
  }
  // The desktop session runs in a UTF-8 locale, as an operator's always
  // does, whatever locale (or none) the tests were started in: xdotool finds
  // a window by its Japanese title, and Qt and Wine name windows and files,
  // only in a locale whose text is UTF-8. C.UTF-8 is part of every glibc.
  if (const char* l = std::getenv("LC_ALL")) {
    previousLocale_ = l;
    hadPreviousLocale_ = true;
  }
  setenv("LC_ALL", "C.UTF-8", 1);
  for (int n = 90 + int(getpid() % 400); n < 1000; ++n) {
    std::string socket = "/tmp/.X11-unix/X" + std::to_string(n);
    std::string lock = "/tmp/.X" + std::to_string(n) + "-lock";
    if (std::filesystem::exists(socket) || std::filesystem::exists(lock)) continue;
    display_ = ":" + std::to_string(n);
    std::string prog = "Xvfb";
    // -noreset: a server that resets when its last client leaves refuses
    // the connections made meanwhile.
    std::vector<std::string> args = {prog, display_, "-nolisten", "tcp", "-noreset", "-screen", "0", "1024x768x24"};
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_addopen(&fa, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    int rc = posix_spawnp(&pid, "Xvfb", &fa, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&fa);
    if (rc != 0) return;
    for (int i = 0; i < 200 && !std::filesystem::exists(socket); ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(25));
    if (!std::filesystem::exists(socket)) {
      Stop(pid);
      continue;
    }
    pid_ = pid;
    setenv("DISPLAY", display_.c_str(), 1);
    return;
  }
}

XServer::~XServer() {
  Stop(pid_);
  if (hadPrevious_) setenv("DISPLAY", previous_.c_str(), 1);
  else unsetenv("DISPLAY");
  if (hadPreviousLocale_) setenv("LC_ALL", previousLocale_.c_str(), 1);
  else unsetenv("LC_ALL");
}

TestWindow::TestWindow(const std::string& recordFile) : record_(recordFile) {
  int out[2];
  if (pipe(out) != 0) return;
  posix_spawn_file_actions_t fa;
  posix_spawn_file_actions_init(&fa);
  posix_spawn_file_actions_adddup2(&fa, out[1], 1);
  posix_spawn_file_actions_addclose(&fa, out[0]);
  std::string prog = TEST_WINDOW_PROGRAM;
  std::vector<char*> argv = {prog.data(), record_.data(), nullptr};
  int rc = posix_spawn(&pid_, prog.c_str(), &fa, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&fa);
  close(out[1]);
  if (rc != 0) {
    pid_ = -1;
    close(out[0]);
    return;
  }
  char buffer[64] = {};
  ssize_t n = read(out[0], buffer, sizeof buffer - 1);
  close(out[0]);
  if (n > 0) id_ = std::strtoul(buffer, nullptr, 10);
}

TestWindow::~TestWindow() { Stop(pid_); }

std::vector<std::string> TestWindow::Messages(size_t expectAtLeast) const {
  std::vector<std::string> lines;
  for (int attempt = 0; attempt < 40; ++attempt) {
    lines.clear();
    std::ifstream in(record_);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    if (lines.size() >= expectAtLeast) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(25));
  }
  // Let stragglers arrive before the caller counts exactly.
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  lines.clear();
  std::ifstream in(record_);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

bool XServerSuite::DesktopToolsInstalled() {
  return std::system("command -v xdotool import identify convert >/dev/null 2>&1") == 0;
}

}  // namespace kestrel::test
