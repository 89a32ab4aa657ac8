// Process entry: picks the Ui (a desktop's windows or the headless one,
// platform/qt/ui_choice.h), sets up the Linux platform and hands the argument
// list (the program's path first) to the controller.
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "app/controller.h"
#include "platform/linux/linux_platform.h"
#include "platform/qt/ui_choice.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv, argv + argc);
  if (args.empty()) args.emplace_back("kestrel");
  kestrel::UiKind uiKind = kestrel::UiKind::Headless;
  std::string error;
  if (!kestrel::ChooseUiKindFromEnvironment(uiKind, error)) {
    std::fprintf(stderr, "kestrel: %s\n", error.c_str());
    return 1;
  }
  auto platform = kestrel::MakeLinuxPlatform(
      [uiKind](kestrel::System& system) { return kestrel::MakeUi(uiKind, system.BaseDir()); });
  kestrel::LinuxPlatform* p = platform.get();
  return kestrel::RunProgram(p->services(), args, [p] { return p->MakePageImage(); });
}
