// Shared pieces of the fuzz targets: the platform's text converter, a
// scratch file on a memory file system, and an engine rig without output.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "engine/print_context.h"
#include "platform/headless/headless_ui.h"
#include "platform/linux/linux_system.h"
#include "platform/recording/memory_print_system.h"

namespace kestrel::fuzz {

void Init();
// Writes data to this process's scratch file and returns its path.
std::string WriteScratch(const uint8_t* data, size_t size, const char* suffix = ".bin");

struct Rig {
  Rig();
  LinuxSystem system;
  MemoryPrintSystem printers;
  HeadlessUi ui;
  std::unique_ptr<PrintContext> ctx;
};

}  // namespace kestrel::fuzz
