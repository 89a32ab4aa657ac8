// Process entry: sets up the Linux platform and hands the argument list
// (the program's path first) to the controller.
#include <memory>
#include <string>
#include <vector>

#include "app/controller.h"
#include "platform/linux/linux_platform.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv, argv + argc);
  if (args.empty()) args.emplace_back("kestrel");
  auto platform = kestrel::MakeLinuxPlatform();
  kestrel::LinuxPlatform* p = platform.get();
  return kestrel::RunProgram(p->services(), args, [p] { return p->MakePageImage(); });
}
