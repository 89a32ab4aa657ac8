// kestrel-tools: the maintenance functions of the system menu that need no
// print run, from the command line: the font, printer and paper lists, the
// default-printer choice for Win-direct printing, the PDF device choice and
// the bare device dialog, the analysis run of the menu's analysis tab with
// its exclusion boxes, the bookmark dialog's outliner run and the filing
// plug-in calls of the filing test tab. They use the same printing system and
// Ui as kestrel (KESTREL_BASE, KESTREL_UI, KESTREL_ANSWERS, KESTREL_NO_CUPS).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "app/bookmark_dialog.h"
#include "app/controller.h"
#include "app/log_files.h"
#include "app/run_report.h"
#include "app/run_settings.h"
#include "fonts/font_list.h"
#include "forms/analysis_tabs.h"
#include "forms/device_choice.h"
#include "lists/paper_list.h"
#include "lists/printer_list.h"
#include "pdf/raku2_client.h"
#include "platform/native_path.h"
#if defined(_WIN32)
#include "platform/win32/cp932_codec.h"
#include "platform/win32/wide_text.h"
#include "platform/win32/win32_platform.h"
#include "platform/win32/win32_system.h"
#else
#include "platform/linux/iconv_codec.h"
#include "platform/linux/linux_platform.h"
#include "platform/linux/ui_choice.h"
#endif
#include "util/numbers.h"
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
    "  outline SRC.pdf CSV [FOLDER]    bookmarks of CSV into SRC through the outliner ($OutLinerPath), as the\n"
    "                                  bookmark dialog runs it: FOLDER/<SRC name>_bk.pdf (default $BookMarkPdfPath)\n"
    "  filing CALL [ARGS]              a filing plug-in call with the filing test tab's result files:\n"
    "                                  create MODE SOURCE BINDER | view A B BINDER | edit MODE BINDER |\n"
    "                                  operate | links | find ROOT | flow\n"
    "  analyse FILE [--exclude-patterns N,..] [--exclude-lines N,..] [--exclude-circles]\n"
    "          [--exclude-chars N,..] [--exclude-fonts N,..]\n"
    "                                  analysis run of FILE (JPEG page and analysis log in zoq/palog);\n"
    "                                  the blocks of the listed fill patterns (1-15), line types (1-5),\n"
    "                                  circles, character classes (1-5) and typefaces (1 Gothic, 2 Mincho)\n"
    "                                  are left out of the log; prints the status, then the logs written\n"
    "  log [program|job|critical|analysis] [--last N] [--follow]\n"
    "                                  the N newest logs (default 1) of the kind (default every kind),\n"
    "                                  newest last, in the terminal's encoding; --follow then prints what\n"
    "                                  the logs gain, and new logs, until interrupted\n"
    "Files are under the base folder's zoq/ unless given. Prints the status code (with its meaning when it is\n"
    "not 0); exit code 0 when it is 0, 1 for another status, 2 for wrong use.\n";

// The product file zoq\<name> under the base folder; the folder is made
// when missing, as the program's start does.
std::string ZoqFile(Services& services, const std::string& name) {
  const std::string base = services.system.BaseDir();
  const std::string zoq = ProductPath(base, "zoq");
  std::error_code ec;
  std::filesystem::create_directories(FsPath(zoq), ec);
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

int UsageError(const std::string& problem);

// A path given on the command line: a Windows path ("C:\..", "\..") as it
// is (it names a place under the base folder), any other made absolute
// from the working folder.
std::string GivenPath(const std::string& path) {
  const bool windows = (path.size() >= 2 && path[1] == ':') || (!path.empty() && path[0] == '\\');
  if (windows || path.empty() || path[0] == '/') return path;
  std::error_code ec;
  return Utf8Path(std::filesystem::absolute(FsPath(path), ec));
}

// The modification time of a file (nothing when there is none).
std::optional<int64_t> ModifiedAt(const std::string& path) {
  std::error_code ec;
  const auto time = std::filesystem::last_write_time(FsPath(path), ec);
  if (ec) return std::nullopt;
  return int64_t(time.time_since_epoch().count());
}

// The bookmark dialog's run: the settings of zoq/kestrel.inf, the labels
// filled from the arguments, "しおり付加実行". 0 when the outliner wrote the
// output, 1 otherwise (the outliner's own messages on standard error).
int Outline(Services& services, const std::vector<std::string>& args) {
  RunSettings settings;
  const std::string base = services.system.BaseDir();
  InitRunSettingsPaths(settings, base, services.system.WindowsDir());
  LoadSettings(settings, settings.SettingsPath, services.ui);
  TAddBookMark1 dialog(settings, services.system, services.ui);
  dialog.Label8 = GivenPath(args[0]);
  dialog.Label9 = GivenPath(args[1]);
  if (args.size() > 2) dialog.Label5 = GivenPath(args[2]);
  const std::string output = dialog.OutputPdfPath();
  const std::optional<int64_t> before = ModifiedAt(output);
  const int status = dialog.Button24Click();
  const std::optional<int64_t> after = ModifiedAt(output);
  if (status == 0 && after && after != before) {
    std::printf("0 %s\n", output.c_str());
    return 0;
  }
  if (status == 0) return Report(-1, "the outliner wrote no output");
  return Report(status, "a check failed or the outliner could not be started");
}

std::optional<int> Whole(const std::string& text) {
  return text.empty() || text[0] == '$' ? std::nullopt : ParseInt(text);
}

// One plug-in call of the filing test tab; 2 for wrong use.
int Filing(Services& services, const std::vector<std::string>& args) {
  Raku2TestTab tab(services.system.BaseDir(), services.system, services.ui);
  std::error_code ec;
  std::filesystem::create_directories(FsPath(tab.FolderListFolder()), ec);
  Raku2Client client = tab.NewClient();
  const std::string call = args.empty() ? "" : args[0];
  const size_t n = args.size();
  std::optional<int> status;
  if (call == "create" && n == 4 && Whole(args[1])) {
    client.sourceFile = GivenPath(args[2]);
    client.binderFile = GivenPath(args[3]);
    status = client.CreateFilingFile(*Whole(args[1]));
  } else if (call == "view" && n == 4 && Whole(args[1]) && Whole(args[2])) {
    client.binderFile = GivenPath(args[3]);
    status = client.ShowFilingViewer(*Whole(args[1]), *Whole(args[2]));
  } else if (call == "edit" && n == 3 && Whole(args[1])) {
    client.binderFile = GivenPath(args[2]);
    status = client.EditBinder(*Whole(args[1]));
  } else if (call == "operate" && n == 1) {
    status = client.OperateBinder();
  } else if (call == "links" && n == 1) {
    status = client.GetLinkFolders();
    for (size_t i = 0; *status == 0 && i < client.linkFolderPaths.size(); ++i)
      std::printf("%s\t%s\n", client.linkFolderPaths[i].c_str(), client.linkFolderNames[i].c_str());
  } else if (call == "find" && n == 2) {
    client.documentRoot = GivenPath(args[1]);
    status = client.FindBinder();
  } else if (call == "flow" && n == 1) {
    status = tab.FlowTestClick();
  }
  if (!status) return UsageError("filing: unknown call or wrong arguments");
  // A plug-in that did not run writes no result file, which reads as the
  // result -10000: a result other than 0, as the message shown says.
  return Report(*status, *status == -2 ? "the plug-in's result was not 0 (-10000: it did not run or wrote no result)"
                                       : "the call failed");
}

int UsageError(const std::string& problem) {
  std::fprintf(stderr, "kestrel-tools: %s\n%s", problem.c_str(), kUsage);
  return 2;
}

std::vector<std::string> LogsIn(const std::string& folder) {
  std::vector<std::string> logs;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(FsPath(folder), ec))
    if (entry.path().extension() == ".txt") logs.push_back(Utf8Path(entry.path()));
  std::sort(logs.begin(), logs.end());
  return logs;
}

// The arguments of analyse: the print-data file and the names of the
// exclusion boxes to tick. Empty, or what is wrong with them.
std::string ParseAnalyseArguments(const std::vector<std::string>& args, std::string& file,
                                  std::vector<std::string>& ticks) {
  struct Option {
    const char* name;
    const char* boxPrefix;
    int count;
  };
  constexpr Option kOptions[] = {{"--exclude-patterns", "patcheck", 15},
                                 {"--exclude-lines", "LinePat", 5},
                                 {"--exclude-chars", "strsize", 5},
                                 {"--exclude-fonts", "font", 2}};
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--exclude-circles") {
      ticks.push_back("circle1");
      continue;
    }
    const Option* option = nullptr;
    for (const Option& o : kOptions)
      if (args[i] == o.name) option = &o;
    if (option == nullptr) {
      if (args[i].starts_with("-")) return "unknown option " + args[i];
      if (!file.empty()) return "one print-data file only";
      file = args[i];
      continue;
    }
    if (i + 1 >= args.size()) return std::string(option->name) + " needs a list of numbers";
    std::string list = args[++i];
    for (size_t at = 0; at <= list.size();) {
      size_t comma = std::min(list.find(',', at), list.size());
      const std::string item = list.substr(at, comma - at);
      int n = 0;
      if (item.empty() || item.size() > 2 || !std::all_of(item.begin(), item.end(), ::isdigit) ||
          (n = std::stoi(item)) < 1 || n > option->count)
        return std::string(option->name) + ": numbers 1-" + std::to_string(option->count) + " expected";
      ticks.push_back(option->boxPrefix + std::to_string(n));
      at = comma + 1;
    }
  }
  if (file.empty()) return "analyse needs a print-data file";
  return {};
}

// The file named by KESTREL_REPORT; empty without one.
std::string ReportPath() {
#if defined(_WIN32)
  return EnvironmentValue(L"KESTREL_REPORT");
#else
  const char* path = std::getenv("KESTREL_REPORT");
  return path != nullptr ? path : "";
#endif
}

// analyse: the analysis tab driven without a window. The options tick the
// tab's exclusion boxes by name; its run button starts the menu's run.
// With KESTREL_REPORT, the run writes its report (app/run_report.h), wrong
// use too: the analysis log and JPEG page as outputs.
int Analyse(const std::vector<std::string>& args) {
  std::string file;
  std::vector<std::string> ticks;
  const std::string problem = ParseAnalyseArguments(args, file, ticks);
  const std::string reportPath = ReportPath();
  if (!problem.empty() && reportPath.empty()) return UsageError(problem);
  std::error_code ec;
  if (!file.empty()) file = Utf8Path(std::filesystem::absolute(FsPath(file), ec));

#if defined(_WIN32)
  auto platform = MakeWin32Platform();
#else
  auto platform = MakeLinuxPlatform();
#endif
  auto* p = platform.get();
  const Services plain = p->services();
  RunReport report;
  report.program = "kestrel-tools";
  report.version = KESTREL_VERSION;
  report.arguments.push_back("analyse");
  report.arguments.insert(report.arguments.end(), args.begin(), args.end());
  report.started = std::time(nullptr);
  ReportingUi reportingUi(plain.ui, report);
  Services services{plain.system, plain.printers, reportingUi};
  if (!problem.empty()) {
    report.messages.push_back({MessageKind::Error, false, problem});
    const int code = UsageError(problem);
    EndRunReport(report, code, "wrong use (see the messages)", reportPath, plain.ui);
    return code;
  }
  TForm1 form(services, [p] { return p->MakePageImage(); });
  if (!reportPath.empty()) form.report = &report;
  const std::string base = services.system.BaseDir();
  InitRunSettingsPaths(form.settings, base, services.system.WindowsDir());
  ZoqFile(services, "");
  const std::string palog = ProductPath(base, "zoq\\palog");
  const std::vector<std::string> before = LogsIn(palog);

  // The menu as it opens, its print entry the program's, and its tabs.
  int status = 0;
  SystemMenuHooks menuHooks;
  menuHooks.printMain = [&](const std::vector<std::string>& runArgs, int runMode, const RunRequest& request) {
    status = form.PrintMain(runArgs, runMode, request);
    return status;
  };
  TSysMenu1 menu(services.ui, services.printers, menuHooks);
  menu.SetBaseDir(base);
  MenuAnalysisTabs tabs(services.ui, menu);
  for (const std::string& name : ticks) tabs.data.Boxes().Set(name, true);
  tabs.data.SetLabel4(file);
  auto finish = [&](int code, const char* meaning) {
    if (reportPath.empty()) return;
    AddRunEnd(report, form, services.printers);
    EndRunReport(report, code, meaning, reportPath, plain.ui);
  };
  try {
    tabs.data.Button15Click();
  } catch (...) {
    report.messages.push_back({MessageKind::Error, false, "the run ended with an unexpected failure"});
    finish(1, "the run failed");
    throw;
  }

  const char* meaning = status == 0                 ? "analysed"
                        : status == kExitNotPrinted ? "the file was not analysed; the job log under zoq/plog says why"
                                                    : "the run failed";
  Report(status, meaning);
  for (const std::string& log : LogsIn(palog))
    if (!std::binary_search(before.begin(), before.end(), log)) std::printf("%s\n", log.c_str());
  const int code = status == 0 ? 0 : 1;
  finish(code, meaning);
  return code;
}

// Shift-JIS log text on standard output in the terminal's encoding.
void PrintLogText(SjisView sjis) {
  if (sjis.empty()) return;
#if defined(_WIN32)
  const std::string text = Utf8ToConsoleText(Utf8FromSjis(sjis));
#else
  const std::string text = Utf8ToLocaleText(Utf8FromSjis(sjis));
#endif
  std::fwrite(text.data(), 1, text.size(), stdout);
  std::fflush(stdout);
}

void PrintLogHeader(const std::string& path, bool first) {
#if defined(_WIN32)
  const std::string name = Utf8ToConsoleText(path);
#else
  const std::string name = Utf8ToLocaleText(path);
#endif
  std::printf("%s==> %s <==\n", first ? "" : "\n", name.c_str());
  std::fflush(stdout);
}

// log: the newest logs of the base folder on the terminal, and with
// --follow what they gain (a running job's log, the next job's new log).
int Log(const std::vector<std::string>& args) {
  std::vector<LogKind> kinds;
  size_t last = 1;
  bool follow = false;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--follow" || args[i] == "-f") {
      follow = true;
    } else if (args[i] == "--last" || args[i] == "-n") {
      const std::optional<int> n = i + 1 < args.size() ? ParseInt(args[i + 1]) : std::nullopt;
      if (!n || *n < 1) return UsageError("--last needs a number of logs (1 or more)");
      last = size_t(*n);
      ++i;
    } else if (const std::optional<LogKind> kind = LogKindNamed(args[i]); kind && kinds.empty()) {
      kinds.push_back(*kind);
    } else {
      return UsageError("log: unknown argument " + args[i]);
    }
  }
  if (kinds.empty()) kinds.assign(std::begin(kAllLogKinds), std::end(kAllLogKinds));
#if defined(_WIN32)
  auto platform = MakeWin32Platform();
#else
  auto platform = MakeLinuxPlatform();
#endif
  const std::string base = platform->services().system.BaseDir();
  std::vector<LogFile> logs = FindLogs(base, kinds);
  if (logs.empty() && !follow) {
    std::fprintf(stderr, "kestrel-tools: no %s log in %s\n", kinds.size() == 1 ? LogKindName(kinds[0]) : "",
                 ProductPath(base, "zoq").c_str());
    return 1;
  }
  if (logs.empty())
    std::fprintf(stderr, "kestrel-tools: no log in %s yet; waiting for one\n", ProductPath(base, "zoq").c_str());
  const size_t first = logs.size() > last ? logs.size() - last : 0;
  const bool headers = follow || logs.size() - first > 1;
  // Every log has a reader: the shown ones read to their end, the others
  // from where they end now, so that following prints only what is new.
  std::map<std::string, LogReader> readers;
  std::map<std::string, int64_t> seen;
  std::string printed;
  for (size_t i = 0; i < logs.size(); ++i) {
    seen[logs[i].path] = logs[i].modified;
    std::error_code ec;
    const uintmax_t size = std::filesystem::file_size(FsPath(logs[i].path), ec);
    LogReader reader(logs[i].path, i < first && !ec ? size : 0);
    if (i >= first) {
      if (headers) PrintLogHeader(logs[i].path, printed.empty());
      printed = logs[i].path;
      for (SjisString piece; !(piece = reader.Next(!follow)).empty();) PrintLogText(piece);
    }
    readers.emplace(logs[i].path, std::move(reader));
  }
  while (follow) {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    for (const LogFile& log : FindLogs(base, kinds)) {
      auto [at, added] = seen.try_emplace(log.path, log.modified);
      if (!added && at->second == log.modified) continue;
      at->second = log.modified;
      LogReader& reader = readers.try_emplace(log.path, log.path, 0).first->second;
      for (SjisString piece; !(piece = reader.Next()).empty();) {
        if (printed != log.path) PrintLogHeader(log.path, printed.empty());
        printed = log.path;
        PrintLogText(piece);
      }
    }
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
#if defined(_WIN32)
  // The wide command line, so that file names keep every character.
  (void)argc;
  (void)argv;
  std::vector<std::string> args = CommandLineArguments();
  if (!args.empty()) args.erase(args.begin());
#else
  std::vector<std::string> args(argv + 1, argv + argc);
#endif
  if (args.size() == 1 && args[0] == "--version") {
    std::printf("kestrel-tools %s\n", KESTREL_VERSION);
    return 0;
  }
  if (args.size() == 1 && (args[0] == "-h" || args[0] == "--help")) {
    std::printf("%sSee kestrel-tools(1).\n", kUsage);
    return 0;
  }
  if (args.empty()) return UsageError("no command");
  if (args[0] == "-h" || args[0] == "--help") return UsageError(args[0] + " takes no further argument");
  const std::string command = args[0];
  args.erase(args.begin());
  if (command == "analyse") return Analyse(args);
  if (command == "log") return Log(args);

  // Only paperlist takes an option (-d DEVICE); anything else that looks
  // like an option is wrong use, never a file name (the dialog's texts of
  // select are free).
  for (size_t i = 0; command != "select" && command != "filing" && i < args.size(); ++i) {
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
  // On a desktop the device dialog and the boxes are windows (KESTREL_UI).
  UiKind uiKind = UiKind::Headless;
  std::string uiError;
  if (!ChooseUiKindFromEnvironment(uiKind, uiError)) return UsageError(uiError);
  UiMaker makeUi;
  if (!LoadUiMaker(uiKind, makeUi, uiError)) {
    std::fprintf(stderr, "kestrel-tools: %s\n", uiError.c_str());
    return 1;
  }
  auto platform = MakeLinuxPlatform(makeUi);
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
  if (command == "outline" && (args.size() == 2 || args.size() == 3)) return Outline(services, args);
  if (command == "filing") return Filing(services, args);
  std::fputs(kUsage, stderr);
  return 2;
}
