// Process entry: sets up the platform (Linux, or Windows in a Windows build)
// and hands the argument list (the program's path first) to the controller.
// On Linux the Ui is a desktop's windows or the headless one
// (platform/linux/ui_choice.h). "--version" and "--help" are answered here, and
// only as the sole argument: anywhere else they are ordinary items of the
// controller's command-line scan.
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "app/controller.h"
#if defined(_WIN32)
#include "platform/win32/win32_platform.h"
#include "platform/win32/wide_text.h"
#include "platform/win32/win32_system.h"
#else
#include "platform/linux/linux_platform.h"
#include "platform/linux/linux_system.h"
#include "platform/linux/ui_choice.h"
#endif

namespace {

const char kUsage[] =
    "usage: kestrel [-h WINDOW] [-pd PRINTER] [-plist=LIST] -p FILE[,FILE2]\n"
    "       kestrel [-h WINDOW] [-pd PRINTER] [-plist=LIST] -p DIR,MODE   (MODE 0 one-sided, 1 two-sided, 2 PDF)\n"
    "       kestrel -?        write the help file zoq/kestrel_help.txt\n"
    "       kestrel -winprt   choose the default printer for Win-direct printing\n"
    "       kestrel -debug    maintenance (system menu); no argument at all: the small system menu\n"
    "  first run only (no zoq/kestrel.inf yet): -x SCALE -e -e2 -a FILL -g -f -l WIDTH -t MS\n"
    "  exit codes: 0 printed, 1 the run ended at once, 2 an option lacks its value, 3 a file was not printed\n";

}  // namespace

int main(int argc, char** argv) {
#if defined(_WIN32)
  // The wide command line, so that arguments keep every character.
  (void)argc;
  (void)argv;
  std::vector<std::string> args = kestrel::CommandLineArguments();
#else
  std::vector<std::string> args(argv, argv + argc);
#endif
  if (args.size() == 2 && args[1] == "--version") {
    std::printf("kestrel %s\n", KESTREL_VERSION);
    return 0;
  }
  if (args.size() == 2 && args[1] == "--help") {
#if defined(_WIN32)
    std::printf("%s  base folder: %%KESTREL_BASE%%, else the program's drive root\n", kUsage);
#else
    const std::string base = kestrel::DefaultBaseDir();
    std::printf("%s  base folder: $KESTREL_BASE, else %s\nSee kestrel(1).\n", kUsage,
                base.empty() ? "the folder above the program's folder" : base.c_str());
#endif
    return 0;
  }
  if (args.empty()) args.emplace_back("kestrel");
#if defined(_WIN32)
  auto platform = kestrel::MakeWin32Platform();
  kestrel::Win32Platform* p = platform.get();
#else
  kestrel::UiKind uiKind = kestrel::UiKind::Headless;
  std::string error;
  if (!kestrel::ChooseUiKindFromEnvironment(uiKind, error)) {
    std::fprintf(stderr, "kestrel: %s\n", error.c_str());
    return 1;
  }
  kestrel::UiMaker makeUi;
  if (!kestrel::LoadUiMaker(uiKind, makeUi, error)) {
    std::fprintf(stderr, "kestrel: %s\n", error.c_str());
    return 1;
  }
  auto platform = kestrel::MakeLinuxPlatform(makeUi);
  kestrel::LinuxPlatform* p = platform.get();
#endif
  // KESTREL_REPORT: the file the run writes its report to (JSON).
#if defined(_WIN32)
  const std::string report = kestrel::EnvironmentValue(L"KESTREL_REPORT");
#else
  const char* reportVariable = std::getenv("KESTREL_REPORT");
  const std::string report = reportVariable != nullptr ? reportVariable : "";
#endif
  return kestrel::RunProgram(p->services(), args, [p] { return p->MakePageImage(); }, report, KESTREL_VERSION);
}
