// kestrel-tools: the maintenance functions of the system menu that need no
// print run, from the command line: the font, printer and paper lists, the
// default-printer choice for Win-direct printing, the PDF device choice and
// the bare device dialog. They use the same printing system and Ui as
// kestrel (KESTREL_BASE, KESTREL_ANSWERS, KESTREL_NO_CUPS).
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "fonts/font_list.h"
#include "forms/device_choice.h"
#include "lists/paper_list.h"
#include "lists/printer_list.h"
#if defined(_WIN32)
#include "platform/win32/win32_platform.h"
#else
#include "platform/linux/linux_platform.h"
#endif
#include "util/paths.h"

namespace {

using namespace kestrel;

constexpr const char* kUsage =
    "usage: kestrel-tools COMMAND [ARGS]\n"
    "  fontlist [FILE]                 font list (default zoq/pfontlist.txt)\n"
    "  printerlist [FILE]              printer list (default zoq/pprinterlist.txt)\n"
    "  paperlist [-d DEVICE] [FILE]    paper list of DEVICE, or of the device picked in the dialog\n"
    "                                  (default zoq/ppaperlist.txt)\n"
    "  winprt [FILE]                   default printer for Win-direct printing (default zoq/WinPrinterSet.inf)\n"
    "  pdfdevice [FILE]                PDF output device into the settings file (default zoq/kestrel.inf)\n"
    "  select [CAPTION [HEADING [QUESTION]]]  the device dialog alone; prints its result\n"
    "Files are under the base folder's zoq/ unless given. Prints the status code (with its meaning when it is\n"
    "not 0); exit code 0 when it is 0, 1 for another status, 2 for wrong use.\n";

// The product file zoq\<name> under the base folder; the folder is made
// when missing, as the program's start does.
std::string ZoqFile(Services& services, const std::string& name) {
  const std::string base = services.system.BaseDir();
  const std::string zoq = ProductPath(base, "zoq");
  std::error_code ec;
  std::filesystem::create_directories(std::filesystem::path(std::u8string(zoq.begin(), zoq.end())), ec);
  return ProductPath(base, "zoq\\" + name);
}

// The status, and beside any other than 0 what it means.
int Report(int status, const char* meaning) {
  if (status == 0 || meaning == nullptr || *meaning == '\0') {
    std::printf("%d\n", status);
  } else {
    std::printf("%d (%s)\n", status, meaning);
  }
  return status == 0 ? 0 : 1;
}

int ReportList(ListResult status) { return Report(int(status), ListStatusMeaning(status)); }

int UsageError(const std::string& problem) {
  std::fprintf(stderr, "kestrel-tools: %s\n%s", problem.c_str(), kUsage);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty() || args[0] == "-h" || args[0] == "--help") {
    std::fputs(kUsage, args.empty() ? stderr : stdout);
    return args.empty() ? 2 : 0;
  }
  const std::string command = args[0];
  args.erase(args.begin());

  // Only paperlist takes an option (-d DEVICE); anything else that looks
  // like an option is wrong use, never a file name (the dialog's texts of
  // select are free).
  for (size_t i = 0; command != "select" && i < args.size(); ++i) {
    if (args[i].size() < 2 || args[i][0] != '-') continue;
    if (command == "paperlist" && i == 0 && args[i] == "-d") {
      if (args.size() < 2) return UsageError("-d needs a device name");
      ++i;
      continue;
    }
    return UsageError("unknown option " + args[i]);
  }

#if defined(_WIN32)
  auto platform = MakeWin32Platform();
#else
  auto platform = MakeLinuxPlatform();
#endif
  Services services = platform->services();
  auto fileArg = [&](const char* name) { return args.empty() ? ZoqFile(services, name) : args[0]; };

  if (command == "fontlist" && args.size() <= 1) {
    FontListWriter writer(services.printers, services.ui);
    return ReportList(writer.WriteFontList(fileArg("pfontlist.txt")));
  }
  if (command == "printerlist" && args.size() <= 1) {
    PrinterListWriter writer(services.printers, services.ui);
    return ReportList(writer.WritePrinterList(fileArg("pprinterlist.txt")));
  }
  if (command == "paperlist") {
    bool named = args.size() >= 2 && args[0] == "-d";
    std::string device;
    if (named) {
      device = args[1];
      args.erase(args.begin(), args.begin() + 2);
    }
    if (args.size() <= 1) {
      std::string path = fileArg("ppaperlist.txt");
      if (!named) {
        ListResult status = WritePaperListOfChosenDevice(services.ui, services.printers, path);
        if (status == ListResult::kNoDeviceChosen) return Report(int(status), "no device chosen, nothing written");
        if (status == ListResult::kUnreachable)
          return Report(int(status), "the device dialog failed, or the printer could not be reached");
        return ReportList(status);
      }
      PaperListWriter writer(services.printers, services.ui);
      return ReportList(writer.WritePaperList(path, device));
    }
  }
  if (command == "winprt" && args.size() <= 1)
    return Report(SelectWinDirectPrinter(services.ui, services.printers, fileArg("WinPrinterSet.inf")),
                  "the file could not be written");
  if (command == "pdfdevice" && args.size() <= 1)
    return Report(SelectPdfDeviceForSettings(services.ui, services.printers, fileArg("kestrel.inf")),
                  "the choice could not be stored");
  if (command == "select" && args.size() <= 3) {
    args.resize(3);
    std::printf("%s\n", RunDeviceSelection(services.ui, services.printers, args[0], args[1], args[2]).c_str());
    return 0;
  }
  std::fputs(kUsage, stderr);
  return 2;
}
