// Process entry: sets up the Linux platform and hands the arguments to the
// controller.
#include <memory>
#include <string>
#include <vector>

#include "app/controller.h"
#include "platform/linux/linux_platform.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  auto platform = kestrel::MakeLinuxPlatform();
  return kestrel::RunProgram(platform->services(), args);
}
