// Shared pieces of the fuzz targets: the platform's text converter, a
// scratch file on a memory file system, a Ui that keeps quiet, and an engine
// rig without output.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/engine_cache.h"
#include "engine/print_context.h"
#include "platform/headless/headless_ui.h"
#include "platform/linux/linux_system.h"
#include "platform/recording/memory_print_system.h"
#include "platform/ui.h"

namespace kestrel::fuzz {

void Init();
// Writes data to this process's scratch file and returns its path.
std::string WriteScratch(const uint8_t* data, size_t size, const char* suffix = ".bin");
// A folder of this process for targets that need a base folder.
std::string ScratchFolder(const char* name);
// Makes ScratchFolder(name) the program's base folder (KESTREL_BASE).
void UseScratchBase(const char* name);

// Splits the input at NUL bytes (the pieces of a fuzzed argument list or of
// several texts fed to one call).
std::vector<std::string> SplitAtNul(const uint8_t* data, size_t size);

// Counts messages, shows nothing, answers No/Cancel.
class QuietUi final : public WindowlessUi {
 public:
  void ShowMessage(const std::string&, MessageKind) override { ++messages; }
  bool AskYesNo(const std::string&, MessageKind) override { return false; }
  bool AskOkCancel(const std::string&, MessageKind) override { return false; }
  std::string SelectDevice(const DeviceDialogRequest&) override { return {}; }
  int messages = 0;
};

struct Rig {
  Rig();
  EngineCache cache;
  LinuxSystem system;
  MemoryPrintSystem printers;
  QuietUi ui;
  std::unique_ptr<PrintContext> ctx;
};

// Stops the run with a message when an invariant does not hold.
void Check(bool condition, const char* what);

}  // namespace kestrel::fuzz
