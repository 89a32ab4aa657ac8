#include "fuzz_support.h"

#include <unistd.h>

#include <cstdio>

#include "platform/linux/iconv_codec.h"

namespace kestrel::fuzz {

void Init() { InstallIconvCodec(); }

std::string WriteScratch(const uint8_t* data, size_t size, const char* suffix) {
  std::string dir = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
  std::string path = dir + "/kestrel-fuzz-" + std::to_string(getpid()) + suffix;
  if (FILE* f = std::fopen(path.c_str(), "wb")) {
    if (size > 0) std::fwrite(data, 1, size, f);
    std::fclose(f);
  }
  return path;
}

Rig::Rig() : printers({StandardDevice("Fuzz Printer", 1, 72)}), ui(std::vector<std::string>{}, std::string()) {
  printers.canvas().SetRecording(false);
  ctx = std::make_unique<PrintContext>(Services{system, printers, ui}, 1);
  ctx->SetParentWindow(1);
}

}  // namespace kestrel::fuzz
