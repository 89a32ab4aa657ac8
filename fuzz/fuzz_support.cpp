#include "fuzz_support.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "platform/linux/iconv_codec.h"

namespace kestrel::fuzz {

namespace {
std::string ScratchRoot() { return access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp"; }
}  // namespace

// Removes this process's scratch files and folders when the run ends.
static void RemoveScratch() {
  std::error_code ec;
  const std::string prefix = "kestrel-fuzz-" + std::to_string(getpid());
  for (const auto& entry : std::filesystem::directory_iterator(ScratchRoot(), ec)) {
    if (entry.path().filename().string().rfind(prefix, 0) == 0) std::filesystem::remove_all(entry.path(), ec);
  }
}

void Init() {
  InstallIconvCodec();
  std::atexit(RemoveScratch);
}

std::string WriteScratch(const uint8_t* data, size_t size, const char* suffix) {
  std::string path = ScratchRoot() + "/kestrel-fuzz-" + std::to_string(getpid()) + suffix;
  if (FILE* f = std::fopen(path.c_str(), "wb")) {
    if (size > 0) std::fwrite(data, 1, size, f);
    std::fclose(f);
  }
  return path;
}

std::string ScratchFolder(const char* name) {
  std::string path = ScratchRoot() + "/kestrel-fuzz-" + std::to_string(getpid()) + "-" + name + "/";
  std::error_code ec;
  std::filesystem::create_directories(path, ec);
  return path;
}

void UseScratchBase(const char* name) { setenv("KESTREL_BASE", ScratchFolder(name).c_str(), 1); }

std::vector<std::string> SplitAtNul(const uint8_t* data, size_t size) {
  std::vector<std::string> pieces(1);
  for (size_t i = 0; i < size; ++i) {
    if (data[i] == 0) {
      pieces.emplace_back();
    } else {
      pieces.back().push_back(char(data[i]));
    }
  }
  return pieces;
}

void Check(bool condition, const char* what) {
  if (condition) return;
  std::fprintf(stderr, "invariant broken: %s\n", what);
  std::abort();
}

Rig::Rig() : printers({StandardDevice("Fuzz Printer", 1, 72)}) {
  printers.canvas().SetRecording(false);
  ctx = std::make_unique<PrintContext>(Services{system, printers, ui}, 1, cache);
  ctx->options.parentWindow = 1;
}

}  // namespace kestrel::fuzz
