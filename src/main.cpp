// Process entry: sets up the platform (Linux, or Windows in a Windows
// build) and hands the argument list (the program's path first) to the
// controller.
#include <memory>
#include <string>
#include <vector>

#include "app/controller.h"
#if defined(_WIN32)
#include "platform/win32/win32_platform.h"
#include "platform/win32/win32_system.h"
#else
#include "platform/linux/linux_platform.h"
#endif

int main(int argc, char** argv) {
#if defined(_WIN32)
  // The wide command line, so that arguments keep every character.
  (void)argc;
  (void)argv;
  std::vector<std::string> args = kestrel::CommandLineArguments();
  auto platform = kestrel::MakeWin32Platform();
  kestrel::Win32Platform* p = platform.get();
#else
  std::vector<std::string> args(argv, argv + argc);
  auto platform = kestrel::MakeLinuxPlatform();
  kestrel::LinuxPlatform* p = platform.get();
#endif
  if (args.empty()) args.emplace_back("kestrel");
  return kestrel::RunProgram(p->services(), args, [p] { return p->MakePageImage(); });
}
