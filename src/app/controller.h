// The print controller: the hidden progress form TForm1 and its print entry
// PrintMain.
//
// One process run is one FormCreate: it finds the base folder and the
// product paths, and calls PrintMain with the command line, which loads the
// settings, opens the program log, scans the options and takes one path:
// help file, default-printer choice, maintenance, or print. The print path
// hands the settings to one PrintContext and calls gprint once per
// print-data file (a file list, or a folder with its print list); the end
// steps notify the caller's window (WM__PRINTOUT), log the end time and
// clean up used print data.
//
// Exit codes: 0; kExitMissingValue when a value-taking option is given last;
// the engine's code when a job must end the process (no caller's window);
// kExitRunFailed when an error outside the jobs ends the run. The last
// three skip the end steps. kExitNotPrinted when the run ended through the
// end steps but a requested print-data file was not printed (a bad -p
// value, a missing file or print list, a failed or cancelled job).
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "app/program_log.h"
#include "app/run_report.h"
#include "app/run_settings.h"
#include "engine/print_context.h"
#include "forms/run_request.h"
#include "platform/platform.h"
#include "util/file_control.h"

namespace kestrel {

inline constexpr int kExitRunFailed = 1;
inline constexpr int kExitNotPrinted = 3;

// The completion message: WM_USER + 1000, wParam 0, lParam 0.
inline constexpr uint32_t kPrintOutMessage = 0x400 + 1000;

// Whether the base folder's drive can hold the product: every drive the
// system knows and whose root exists (a fixed disk, a network share, a
// removable or RAM drive); only an undeterminable type or a missing root is
// refused, with "基準ドライブに異常があります。".
bool IsUsableBaseDrive(DriveKind kind);

using PageImageFactory = std::function<std::unique_ptr<PageImage>()>;

class TForm1 {
 public:
  static constexpr const char* kCaption = "Kestrel 印刷進捗状況";

  TForm1(Services services, PageImageFactory makePageImage);
  ~TForm1();
  TForm1(const TForm1&) = delete;
  TForm1& operator=(const TForm1&) = delete;

  // The whole run for the argument list (item 0 is the program's path).
  // Returns the process's exit code.
  int FormCreate(const std::vector<std::string>& args);

  // Returns 0 when the run ended normally, kExitNotPrinted when it went
  // through the end steps with a requested file unprinted, else the code to
  // end the process with at once.
  int PrintMain(const std::vector<std::string>& args, int runMode, const RunRequest& request);

  // The time-out timer's handler.
  void WMGetTimer();
  // The progress form's cancel button.
  void SpeedButton1Click() { settings.CancelRequested = 1; }

  RunSettings settings;
  // Where the run's report is kept while it runs; null without a report.
  RunReport* report = nullptr;
  // The program log's file; empty when there is none.
  std::string ProgramLogPath() const { return log_.IsOpen() ? log_.path() : std::string(); }

  // The forms the system menu opens from layers of their own: the font
  // settings form and the bookmark dialog. Empty ones show the menu's
  // placeholder message.
  std::function<void()> showFontForm;
  std::function<void()> showBookmarkDialog;

 private:
  // The system menu, small (the button column) or full, shown modally.
  void RunSystemMenu(bool smallForm);
  // How the print target was classified, for the clean-up of the end steps.
  enum class Target { kNotClassified, kFile, kFolder, kUnusable };

  int PrintPath(const std::string& printTarget, int runMode, const RunRequest& request, Target& target);
  // The steps of PrintPath, in their order.
  bool ReadPrintTarget(const std::string& printTarget, std::vector<std::string>& list);
  std::unique_ptr<PrintContext> MakeJobContext(int runMode, const RunRequest& request);
  void ApplyMenuRequest(PrintContext& ctx, int runMode, const RunRequest& request);
  void SetUpJobLogs(PrintContext& ctx, const std::string& first, int runMode);
  std::string ResolveItem(const std::string& item) const;
  int GuardJobs(const std::function<int()>& body);
  int PrintFiles(PrintContext& ctx, const std::vector<std::string>& list);
  int PrintFolder(PrintContext& ctx, const std::string& firstPath, const std::string& second);
  bool StartFolderOutput(PrintContext& ctx, const std::string& second);
  int RunFolderJobs(PrintContext& ctx, const std::vector<std::string>& list);
  int RunJob(PrintContext& ctx, const std::string& dataFile);
  void EndSteps(Target target);
  // Sends WM__PRINTOUT and writes sentLine; a window that cannot be
  // reached is logged as an error line instead.
  void NotifyCaller(const std::string& sentLine, LogLevel level);
  // "<where> : HANDLE : <window> に WM__PRINTOUT を送った\n".
  std::string SentLine(const char* where) const;
  void LogTime(const char* label);

  Services services_;
  PageImageFactory makePageImage_;
  // The JPEG page bitmap and its encoder's buffers, made at the first JPEG
  // job and reused by every later page of the program.
  std::unique_ptr<PageImage> pageImage_;
  ProgramLog log_;
  FileControl files_;
  bool timerStarted_ = false;
  // Set where a requested print-data file is left unprinted; turns the
  // run's exit code into kExitNotPrinted after the end steps.
  bool notPrinted_ = false;
  // The print-data files of a folder run that printed, and the folder's
  // real path (empty when it could not be resolved): what $pdat2=9 judges.
  int printedFiles_ = 0;
  std::string printedFolder_;
  // What the program keeps from job to job; handed to each PrintContext.
  EngineCache engineCache_;
  // Read refusals already logged: each is logged once per program (a run
  // reads some files several times).
  std::set<std::string> reportedRefusals_;
};

// What a run of form leaves for its report when it ends: the base folder,
// the program log and the PDF document printers wrote last.
void AddRunEnd(RunReport& report, const TForm1& form, PrintSystem& printers);

// The process's run: FormCreate of a new TForm1.
// With reportPath, the run also writes its report there (app/run_report.h);
// version is the program's, for the report.
int RunProgram(Services services, const std::vector<std::string>& args, PageImageFactory makePageImage = {},
               const std::string& reportPath = {}, const std::string& version = {});

}  // namespace kestrel
