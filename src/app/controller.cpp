#include "app/controller.h"

#include <ctime>
#include <exception>
#include <filesystem>
#include <system_error>

#include "app/bookmark_dialog.h"
#include "app/cleanup.h"
#include "app/command_line.h"
#include "app/help_file.h"
#include "app/print_lists.h"
#include "engine/gprint.h"
#include "forms/device_choice.h"
#include "fonts/font_set.h"
#include "forms/system_menu.h"
#include "pdf/bookmark_csv.h"
#include "pdf/raku2_client.h"
#include "util/bounded_read.h"
#include "util/comma_list.h"
#include "util/paths.h"
#include "util/local_time.h"
#include "platform/native_path.h"

namespace kestrel {

namespace fs = std::filesystem;

namespace {

// A Ui without windows cannot show the system menu, nor can the Windows
// build's Ui yet (its forms are message boxes, the progress form and the
// device dialog); the maintenance functions that need no window are the
// commands of kestrel-tools.
constexpr const char* kMaintenanceCommands =
    "フォントリスト出力：kestrel-tools fontlist\n"
    "プリンタドライバリスト出力：kestrel-tools printerlist\n"
    "印刷可能用紙リスト出力：kestrel-tools paperlist\n"
    "Win直デフォルト印刷プリンタ設定：kestrel-tools winprt\n"
    "PDF出力デバイス選択：kestrel-tools pdfdevice";
constexpr const char* kSystemMenuNeedsDesktop =
    "システムメニューはデスクトップ（画面）のある環境でのみ使用できます。\n"
    "画面の無い環境では次のコマンドを使用して下さい。\n";
constexpr const char* kSystemMenuNotInThisBuild =
    "システムメニューの画面はこのWindows版にはまだありません。\n"
    "次のコマンドを使用して下さい。\n";

constexpr const char* kJobExceptionMessage =
    "印刷メイン処理で例外が発生しました。\nPCを再起動後再度印刷を行って見て下さい。\n"
    "印刷が出来なければカルメナへご連絡ください";

// What a -p path names.
enum class PathKind { kFile, kFolder, kEmpty, kMissing };

PathKind ClassifyPath(const std::string& path) {
  if (path.empty()) return PathKind::kEmpty;
  std::error_code ec;
  auto status = fs::status(FsPath(path), ec);
  if (ec || !fs::exists(status)) return PathKind::kMissing;
  return fs::is_directory(status) ? PathKind::kFolder : PathKind::kFile;
}

bool Exists(const std::string& path) {
  std::error_code ec;
  return !path.empty() && fs::exists(FsPath(path), ec);
}

std::string WithoutTrailingSeparators(std::string path) {
  while (path.size() > 1 && (path.back() == '/' || path.back() == '\\')) path.pop_back();
  return path;
}

std::tm LocalNow() { return LocalTimeNow(); }

}  // namespace

TForm1::TForm1(Services services, PageImageFactory makePageImage)
    : services_(services),
      makePageImage_(std::move(makePageImage)),
      log_(settings, services),
      files_(services.system) {
  // A file refused as unreadable (not a plain file, beyond its size limit)
  // leaves an error line: in the program log, or the critical log when the
  // program log is not open.
  SetReadRefusalSink([this](const std::string& line) {
    if (reportedRefusals_.insert(line).second) log_.WriteLog(line, kLogError);
  });
}

bool IsUsableBaseDrive(DriveKind kind) { return kind != DriveKind::kUnknown && kind != DriveKind::kNoRoot; }

TForm1::~TForm1() {
  SetReadRefusalSink({});
  if (timerStarted_) services_.ui.StopTimer();
}

int TForm1::FormCreate(const std::vector<std::string>& args) {
  Ui& ui = services_.ui;
  try {
    const std::string baseDir = services_.system.BaseDir();
    const std::string windowsDir = services_.system.WindowsDir();
    if (windowsDir.empty()) ui.ShowMessage("システムディレクトリが取得出来ません。", MessageKind::Error);
    if (!IsUsableBaseDrive(services_.system.DriveKindOf(baseDir)))
      ui.ShowMessage("基準ドライブに異常があります。", MessageKind::Error);
    InitRunSettingsPaths(settings, baseDir, windowsDir);
    // The product's data folder belongs to the installation; a fresh base
    // folder gets it here so that the settings file can be created.
    files_.MakeFolder(ProductPath(baseDir, "zoq"), 0);
    return PrintMain(args, kRunFromCommandLine, RunRequest{});
  } catch (const std::exception& e) {
    // An error outside the jobs ends the run at once.
    ui.ShowMessage(e.what(), MessageKind::Error);
    return kExitRunFailed;
  }
}

std::string TForm1::SentLine(const char* where) const {
  return std::string(where) + " : HANDLE : " + std::to_string(settings.ParentWindow) + " に WM__PRINTOUT を送った\n";
}

void TForm1::NotifyCaller(const std::string& sentLine, LogLevel level) {
  std::string error;
  const auto window = static_cast<unsigned long long>(settings.ParentWindow);
  if (services_.system.NotifyWindow(settings.ParentWindow, kPrintOutMessage, 0, 0, error)) {
    log_.WriteLog(sentLine, level);
  } else {
    log_.WriteLogf(kLogError, "WM__PRINTOUT を送れませんでした : HANDLE : %llu (%s)\n", window, error.c_str());
  }
}

void TForm1::LogTime(const char* label) {
  std::tm local = LocalNow();
  log_.WriteLog(std::string(label) + std::asctime(&local));
}

void TForm1::WMGetTimer() {
  log_.WriteLog("********** Time out Exit **********\n");
  if (settings.ParentWindow != 0) NotifyCaller(SentLine("WMGetTimer TimeOut"), kLogInfo);
}

int TForm1::PrintMain(const std::vector<std::string>& args, int runMode, const RunRequest& request) {
  Ui& ui = services_.ui;
  if (settings.PrintListGiven == 0) settings.PrintListPath.clear();
  settings.ParentWindow = 0;
  notPrinted_ = false;
  printedFiles_ = 0;
  printedFolder_.clear();

  if (args.size() <= 1) {
    RunSystemMenu(true);
    return 0;
  }

  // No settings file: the command line's fallback options, saved as the
  // new file.
  if (LoadSettings(settings, settings.SettingsPath, ui) == 0) {
    if (!ApplyFallbackOptions(settings, args, ui)) return kExitMissingValue;
    SaveSettings(settings, settings.SettingsPath, ui);
  }
  if (request.plog != 0) settings.plog = request.plog;
  log_.CreateLogFolders();
  log_.OpenProgramLog();

  const MainScan scan = ScanMainOptions(settings, args);
  switch (scan.stop) {
    case ScanStop::kCompleted:
      break;
    case ScanStop::kHelp: {
      std::string error;
      if (!WriteHelpFile(settings.BaseDir, ui, &error)) {
        ui.ShowMessage(error, MessageKind::Error);
        return kExitRunFailed;
      }
      ui.ShowMessage(kHelpWrittenMessage, MessageKind::Information);
      break;
    }
    case ScanStop::kWinPrinter:
      SelectWinDirectPrinter(ui, services_.printers, settings.WinPrinterSetPath);
      break;
    case ScanStop::kPrintListMissing:
      ui.ShowMessage(PrintListMissingMessage(scan.printListArgument), MessageKind::Error);
      notPrinted_ = true;
      if (settings.ParentWindow != 0) NotifyCaller(PrintListErrorLogLine(settings.ParentWindow), kLogError);
      break;
    case ScanStop::kMissingValue:
      ui.ShowMessage(MissingValueMessage(scan.missingOption), MessageKind::Error);
      return kExitMissingValue;
  }

  Target target = Target::kNotClassified;
  if (scan.mode == RunMode::kMaintenance) {
    RunSystemMenu(false);
  } else if (scan.mode == RunMode::kPrint) {
    if (int code = PrintPath(scan.printTarget, runMode, request, target); code != 0) return code;
  }
  EndSteps(target);
  return notPrinted_ ? kExitNotPrinted : 0;
}

void TForm1::RunSystemMenu(bool smallForm) {
  SystemMenuHooks hooks;
  hooks.saveSettings = [this](const std::string& path) { SaveSettings(settings, path, services_.ui); };
  hooks.printMain = [this](const std::vector<std::string>& args, int runMode, const RunRequest& request) {
    // A run from the menu is a run of its own; the menu's run keeps its
    // own outcome and its caller's window, which its end steps notify.
    const bool notPrinted = notPrinted_;
    const uint64_t parentWindow = settings.ParentWindow;
    const int code = PrintMain(args, runMode, request);
    notPrinted_ = notPrinted;
    settings.ParentWindow = parentWindow;
    return code;
  };
  // The font settings form: created before the menu, read once, shown
  // any number of times from it, freed with it.
  TFontSet fontForm(services_.ui, services_.printers, settings.SettingsPath);
  hooks.showFontForm = showFontForm;
  if (!hooks.showFontForm) {
    hooks.showFontForm = [this, &fontForm] {
      if (!services_.ui.ShowForm(fontForm))
        services_.ui.ShowMessage(TSysMenu1::kFontFormPlaceholder, MessageKind::Information);
    };
  }
  hooks.showBookmarkDialog = showBookmarkDialog;
  if (!hooks.showBookmarkDialog) {
    // The bookmark dialog is made afresh at each showing, on the run's
    // settings (it reads and writes its two paths there).
    hooks.showBookmarkDialog = [this] {
      TAddBookMark1 dialog(settings, services_.system, services_.ui);
      if (!services_.ui.ShowForm(dialog))
        services_.ui.ShowMessage(TSysMenu1::kBookmarkPlaceholder, MessageKind::Information);
    };
  }
  TSysMenu1 menu(services_.ui, services_.printers, std::move(hooks));
  menu.FontListPath = settings.FontListPath;
  menu.PrinterListPath = settings.PrinterListPath;
  menu.PaperListPath = settings.PaperListPath;
  menu.SettingsPath = settings.SettingsPath;
  menu.SetBaseDir(settings.BaseDir);
  menu.SetSmallForm(smallForm);
  OutlinerTab outliner(settings.BaseDir, services_.system, services_.ui,
                       [&menu](const std::string& dialogName) { return menu.SetDialogStartFolder(dialogName); });
  Raku2TestTab filing(settings.BaseDir, services_.system, services_.ui);
  menu.SetPages({&outliner, &filing});
  if (!services_.ui.ShowForm(menu))
    services_.ui.ShowMessage(
        std::string(services_.ui.HasWindows() ? kSystemMenuNotInThisBuild : kSystemMenuNeedsDesktop) +
            kMaintenanceCommands,
        MessageKind::Information);
}

// 1-3. The -p list: false, with the message, when it names nothing.
bool TForm1::ReadPrintTarget(const std::string& printTarget, std::vector<std::string>& list) {
  list = SplitCommaList(printTarget);
  settings.Dup = 0;
  if (list.empty()) {
    settings.Dup = -1;
    std::string text = "印刷ファイル設定コマンドに異常があります(" + printTarget + ")\n";
    log_.WriteLog(text);
    services_.ui.ShowMessage(text, MessageKind::Error);
    notPrinted_ = true;
    return false;
  }
  if (list.size() >= 2) settings.Dup = 1;
  return true;
}

// 6. A run from the menu: the menu's choices replace the settings' values
// for this run.
void TForm1::ApplyMenuRequest(PrintContext& ctx, int runMode, const RunRequest& request) {
  RunSettings& s = settings;
  s.CompulsionPaper = request.CompulsionPaper;
  s.pmap_flg = request.pmap_flg;
  s.alog = request.alog;
  ctx.options.filterPatterns = request.analysisFilters[0];
  if (runMode == kRunFromMenuWithAnalysis) {
    ctx.options.filterLineTypes = request.analysisFilters[1];
    ctx.options.filterCircles = request.analysisFilters[2];
    ctx.options.filterCharClasses = request.analysisFilters[3];
    ctx.options.filterTypefaces = request.analysisFilters[4];
  }
  s.jpeg = request.jpeg;
  s.pdat_flg = request.pdat_flg;
  s.pdat2 = request.pdat_flg;
  s.width_flg = request.width_flg;
  s.pmag_flg = request.pmag_flg;
  s.perr_flg = request.perr_flg;
  s.ppaper_check = request.ppaper_check;
  s.jdpi = request.jdpi;
  s.wait_time = request.wait_time;
  s.AskPrinter = request.AskPrinter;
  ctx.options.suppressDebugLabel = request.labelFlag != 0;
}

// 6. The job's context: the printer asked for, the menu's choices, the
// settings' job values and paths.
std::unique_ptr<PrintContext> TForm1::MakeJobContext(int runMode, const RunRequest& request) {
  RunSettings& s = settings;
  auto ctx = std::make_unique<PrintContext>(services_, 0, engineCache_);
  ctx->output.printerName = s.PrinterName;
  // A default printer asked for by the environment that names no printer
  // is handled as a -pd name that is not installed: the fallback message,
  // then the current printer.
  if (ctx->output.printerName.empty()) {
    std::string source;
    std::string wanted = services_.printers.UnknownRequestedPrinter(source);
    if (!wanted.empty()) {
      services_.ui.Warn(source + "=" + wanted + " names no installed printer; it is handled like -pd " + wanted);
      ctx->output.printerName = wanted;
    }
  }
  const bool fromMenu = runMode != kRunFromCommandLine;
  if (fromMenu) {
    ApplyMenuRequest(*ctx, runMode, request);
  } else if (services_.system.WithoutPageLabel()) {
    ctx->options.suppressDebugLabel = true;
  }
  CopySettingsIntoJob(s, ctx->options);
  ctx->output.duplexSetting = s.Dup;
  ctx->options.batchMode = fromMenu ? request.formMethod : 0;
  ctx->page.lastFile = fromMenu ? request.lastItem : 0;
  ctx->options.pdfOutput = fromMenu ? request.pdfOutput : 0;
  ctx->options.settingsFilePath = s.SettingsPath;
  ctx->options.showPrinterDialog = s.AskPrinter;
  ctx->options.defaultPrinterFilePath = s.WinPrinterSetPath;
  return ctx;
}

// 7-10. The job log's name, the analysis log, the log and file paths, the
// caller's window.
void TForm1::SetUpJobLogs(PrintContext& ctx, const std::string& first, int runMode) {
  RunSettings& s = settings;
  s.LogPath = s.plog != 0 ? JobLogName(s.BaseDir, WithoutTrailingSeparators(first), LocalNow()) : std::string();
  ctx.log.analysisLog = s.alog;
  if (s.alog != 0 && runMode == kRunFromCommandLine) {
    ctx.options.filterLineTypes.clear();
    ctx.options.filterCircles.clear();
    ctx.options.filterCharClasses.clear();
    ctx.options.filterTypefaces.clear();
    s.jpeg = 1;
    services_.ui.ShowMessage(
        "解析ログ出力設定では、プリンタへ印刷されません。\njpeg出力とログが出力されます(\\zoq\\palog内)。",
        MessageKind::Information);
  }
  ctx.options.exceptionLogPath = s.CriticalLogPath;
  ctx.options.ocrChoiceFilePath = s.OcrFontFilePath;
  ctx.options.offsetFilePath = s.OffsetFilePath;
  ctx.options.ocrFontFilePath = s.OcrFontPath;
  ctx.options.parentWindow = s.ParentWindow;
  if (runMode == kRunFromCommandLine && s.ParentWindow == 0) {
    services_.ui.ShowMessage(
        "通常印刷処理を実行しますが、親Windowハンドルの設定が無いため印刷呼び出し元のWindowが閉じない可能性があります",
        MessageKind::Warning);
  }
}

// 11, 12. An item of -p as a path. A path whose backslashes may be bytes of
// its characters is taken as given or not at all, never guessed.
std::string TForm1::ResolveItem(const std::string& item) const {
  if (kWindowsFileNames || !BackslashIsAmbiguous(item)) return ResolveUserPath(settings.BaseDir, item);
  return Exists(item) ? item : std::string();
}

// Runs the jobs of one list; an exception ends the list with its message
// and an extra notification.
int TForm1::GuardJobs(const std::function<int()>& body) {
  try {
    return body();
  } catch (const std::exception&) {
    notPrinted_ = true;
    services_.ui.ShowMessage(kJobExceptionMessage, MessageKind::Error);
    if (settings.ParentWindow != 0) NotifyCaller(SentLine("FormCreate PrintMain 例外 error"), kLogError);
    return 0;
  }
}

// 13. A list of print-data files, one document unless a file fails.
int TForm1::PrintFiles(PrintContext& ctx, const std::vector<std::string>& list) {
  ctx.SetLogFileName(settings.LogPath);
  log_.DumpSettings(ctx);
  return GuardJobs([&]() -> int {
    for (size_t i = 0; i < list.size(); ++i) {
      if (i + 1 == list.size()) ctx.page.lastFile = 1;
      if (RunJob(ctx, ResolveItem(list[i])) != 0) {
        if (ctx.exitCode != 0) return ctx.exitCode;
        notPrinted_ = true;
        services_.ui.ShowMessage(ctx.lastErrorMessage, MessageKind::Error);
        break;
      }
    }
    return 0;
  });
}

// 14. What the second item of a folder's -p asks: 0 one-sided, 1 as the
// settings say, 2 one PDF document. false, with the message, when the run
// cannot go on.
bool TForm1::StartFolderOutput(PrintContext& ctx, const std::string& second) {
  RunSettings& s = settings;
  Ui& ui = services_.ui;
  if (second == "0") {
    s.Dup = 0;
  } else if (second == "2") {
    ctx.options.pdfOutput = 1;
    ctx.options.skipFills = s.pdfspecial != 0;
    if (!Exists(s.PdfFolder) && files_.MakeFolder(s.PdfFolder, 0) != 0) {
      ui.ShowMessage(s.PdfFolder + "フォルダの作成に失敗しました\nPDF出力を中止します", MessageKind::Error);
      notPrinted_ = true;
      return false;
    }
    if (s.jpeg == 1) {
      s.jpeg = 0;
      ui.ShowMessage("jpeg画像出力設定になっていますが、\nPDF出力のためJpeg画像出力をOFFにして出力します。",
                     MessageKind::Information);
    }
  } else if (second != "1") {
    ui.ShowMessage("引数が異常です。\n出力を中止します[" + second + "]", MessageKind::Error);
    notPrinted_ = true;
    return false;
  }
  return true;
}

// 14. The files of a folder, one by one, with the progress form and its
// cancel button.
int TForm1::RunFolderJobs(PrintContext& ctx, const std::vector<std::string>& list) {
  RunSettings& s = settings;
  Ui& ui = services_.ui;
  bool progressShown = false;
  const int count = int(list.size());
  // Between files the form repaints; the cancel button is seen there.
  auto repaint = [&] {
    if (ui.ProcessEvents()) SpeedButton1Click();
  };
  int code = GuardJobs([&]() -> int {
    for (int i = 0; i < count; ++i) {
      if (s.CancelRequested == 1) {
        AbortPrintJob(ctx);
        notPrinted_ = true;
        ui.ShowMessage("印刷を中止しました", MessageKind::Information);
        break;
      }
      if (i == count - 1) ctx.page.lastFile = 1;
      if (s.pbar == 1) {
        if (!progressShown) {
          ui.ShowProgress(kCaption);
          progressShown = true;
        }
        ui.SetProgressLabel(list[size_t(i)]);
        ui.SetProgress(i, count);
        repaint();
      }
      if (RunJob(ctx, list[size_t(i)]) != 0) {
        if (ctx.exitCode != 0) return ctx.exitCode;
        notPrinted_ = true;
        ui.ShowMessage(ctx.lastErrorMessage, MessageKind::Error);
        break;
      }
      ++printedFiles_;
      if (s.pbar == 1) {
        ui.SetProgress(i + 1, count);
        repaint();
      }
    }
    return 0;
  });
  if (progressShown) ui.HideProgress();
  return code;
}

// 14. A folder, resolved once: the folder printed is the folder a
// clean-up with $pdat2=9 deletes, whatever the working folder is then.
int TForm1::PrintFolder(PrintContext& ctx, const std::string& firstPath, const std::string& second) {
  RunSettings& s = settings;
  std::string folder = services_.system.RealPath(firstPath);
  if (folder.empty()) folder = WithoutTrailingSeparators(firstPath);
  if (!StartFolderOutput(ctx, second)) return 0;

  std::vector<std::string> list;
  const std::string plist = folder + kPathSeparator + kPrintListName;
  std::error_code ec;
  if (s.PrintListPath.empty() && fs::is_regular_file(FsPath(plist), ec)) s.PrintListPath = plist;
  if (s.PrintListPath.empty()) {
    CollectFolderFiles(folder + kPathSeparator, "*.pdat", list, s.InfoFile);
  } else {
    if (ReadPrintList(s, folder, list, services_.ui) > 0 || list.empty()) notPrinted_ = true;
  }
  // $pdat2=9 deletes this folder, the real path printed from (never
  // derived again from the text of -p), and only when every file printed.
  if (s.pdat2 == 9) printedFolder_ = services_.system.RealPath(firstPath);
  ctx.output.jobTitle = MakePdfBaseName(s, s.InfoFile);
  ctx.output.duplexSetting = s.Dup;
  ctx.options.batchMode = 1;
  ctx.SetLogFileName(s.LogPath);
  log_.DumpSettings(ctx);

  const std::string pdfBefore = services_.printers.LastDocumentFile();
  const int code = RunFolderJobs(ctx, list);
  // The bookmark CSV takes its PDF's name and number: named after the file
  // the document went to, once it is there.
  if (code == 0 && s.pdfbk == 1 && second == "2") {
    const std::string pdf = services_.printers.LastDocumentFile();
    if (pdf != pdfBefore) {
      MakeBookmarkCsv(s, services_.ui, folder + kPathSeparator, "*.txt", CsvPathOfPdf(pdf));
      if (report != nullptr && Exists(CsvPathOfPdf(pdf))) report->AddOutput("bookmark-csv", CsvPathOfPdf(pdf));
    } else if (pdf.empty()) {
      MakeBookmarkCsv(s, services_.ui, folder + kPathSeparator, "*.txt");
    }
  }
  return code;
}

int TForm1::PrintPath(const std::string& printTarget, int runMode, const RunRequest& request, Target& target) {
  RunSettings& s = settings;
  // 1-3. The -p list.
  std::vector<std::string> list;
  if (!ReadPrintTarget(printTarget, list)) return 0;
  const std::string first = list[0];
  const std::string second = list.size() >= 2 ? list[1] : std::string();

  // 4. Start lines. Items are logged as given where "/" is the separator;
  // with Windows names "/" is shown as "\".
  auto logged = [](const std::string& item) { return kWindowsFileNames ? WithBackslashes(item) : item; };
  log_.WriteLog("【印刷指定コマンド引数(-p)】:[" + logged(first) + "," + logged(second) + "]\n");
  LogTime("【印刷実行時間】= ");

  // 5. Time-out timer.
  if (s.wait_time >= 1) {
    log_.WriteLogf(kLogInfo, "【SetTimer関数をセット】:[%ld]\n", long(s.wait_time));
    services_.ui.StartTimer(s.wait_time, [this] { WMGetTimer(); });
    timerStarted_ = true;
  }

  // 6-10. The job's context and logs.
  std::unique_ptr<PrintContext> ctx = MakeJobContext(runMode, request);
  SetUpJobLogs(*ctx, first, runMode);

  // 11, 12. The target.
  const std::string firstPath = ResolveItem(first);
  const PathKind kind = ClassifyPath(firstPath);
  if (kind == PathKind::kEmpty || kind == PathKind::kMissing) {
    target = Target::kUnusable;
    s.Dup = -1;
    std::string text = "印刷ファイル指定に異常があります(" + printTarget + ")\n";
    log_.WriteLog(text);
    services_.ui.ShowMessage(text, MessageKind::Error);
    notPrinted_ = true;
    return 0;
  }
  target = kind == PathKind::kFile ? Target::kFile : Target::kFolder;
  // 13, 14.
  return kind == PathKind::kFile ? PrintFiles(*ctx, list) : PrintFolder(*ctx, firstPath, second);
}

int TForm1::RunJob(PrintContext& ctx, const std::string& dataFile) {
  int rc = 0;
  ctx.output.lastJpegFile.clear();
  if (settings.jpeg == 0) {
    ctx.output.jpegPages = false;
    rc = gprint(ctx, dataFile, nullptr, "0");
  } else if (ClimbsAboveBase(settings.jpath)) {
    // $jpath is put directly before the file name: "\out\" is a folder,
    // "\out" a name prefix ("<base>/outa.jpg"); no separator is added. Its
    // ".." steps never climb above the base folder.
    ctx.output.jpegPages = true;
    ctx.lastErrorMessage = "$jpathがベースフォルダの外を指しているため、JPEG出力を行いません(" + settings.jpath + ")";
    log_.WriteLogf(kLogError, "  ■%s\n", ctx.lastErrorMessage.c_str());
    rc = -1;
  } else {
    ctx.output.jpegPages = true;
    if (!pageImage_ && makePageImage_) pageImage_ = makePageImage_();
    const std::string folder = settings.jpath.empty() ? std::string() : ResolvePath(settings.BaseDir, settings.jpath);
    rc = gprint(ctx, dataFile, pageImage_.get(), folder);
  }
  if (report != nullptr) report->AddJob(dataFile, rc, ctx);
  return rc;
}

void TForm1::EndSteps(Target target) {
  RunSettings& s = settings;
  if (s.ParentWindow != 0) NotifyCaller(SentLine("FormCreate PrintMain 正常終了"), kLogInfo);
  LogTime("【印刷終了時間】= ");
  PrintDataCleanup cleanup(s, log_, services_.system);
  if (target == Target::kNotClassified || target == Target::kFile) {
    cleanup.CleanupOldPrintData(s.BaseDir, "zoq\\", 1800, "*.pdat");
  } else if (s.pdat2 == 9) {
    // Only the folder printed from, only when it printed whole; a run that
    // printed nothing deletes nothing. JPEG pages written beside the data
    // (no $jpath) or into a folder inside it keep the folder.
    if (target == Target::kFolder) {
      std::vector<std::string> outputs;
      if (s.jpeg == 1) {
        outputs.push_back(s.jpath.empty() ? printedFolder_
                                          : fs::path(ResolvePath(s.BaseDir, s.jpath) + "x").parent_path().string());
      }
      cleanup.CleanupPrintedFolder(printedFolder_, !notPrinted_ && printedFiles_ > 0, outputs);
    }
  } else if (s.pdat2 != 1) {
    cleanup.CleanupPrintFolder(s.pdat2_Folder, s.pdat2_time, s.pdat2, s.pdat2_ext);
  }
}

void AddRunEnd(RunReport& report, const TForm1& form, PrintSystem& printers) {
  report.baseFolder = form.settings.BaseDir;
  report.AddOutput("program-log", form.ProgramLogPath());
  report.AddOutput("pdf", printers.LastDocumentFile());
}

int RunProgram(Services services, const std::vector<std::string>& args, PageImageFactory makePageImage,
               const std::string& reportPath, const std::string& version) {
  if (reportPath.empty()) {
    TForm1 form(services, std::move(makePageImage));
    return form.FormCreate(args);
  }
  RunReport report;
  report.program = "kestrel";
  report.version = version;
  if (!args.empty()) report.arguments.assign(args.begin() + 1, args.end());
  report.started = std::time(nullptr);
  ReportingUi ui(services.ui, report);
  TForm1 form(Services{services.system, services.printers, ui}, std::move(makePageImage));
  form.report = &report;
  // The report is written however the run ends, an escaping failure too.
  auto finish = [&](int code) {
    AddRunEnd(report, form, services.printers);
    EndRunReport(report, code, ExitCodeMeaning(code), reportPath, services.ui);
  };
  int code = 0;
  try {
    code = form.FormCreate(args);
  } catch (...) {
    report.messages.push_back({MessageKind::Error, false, "the run ended with an unexpected failure"});
    finish(kExitRunFailed);
    throw;
  }
  finish(code);
  return code;
}

}  // namespace kestrel
