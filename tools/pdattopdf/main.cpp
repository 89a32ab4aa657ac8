// pdattopdf: the CUPS filter from print data (application/vnd.kestrel-pdat)
// to PDF.
//
//   pdattopdf job-id user title copies options [file...]
//
// Reads the print-data file(s), or standard input without one, and writes
// one PDF on standard output, drawn by the engine on the page of the
// built-in PDF device: the same pages, fonts and settings (faces, fill
// method, offsets of the base folder's zoq/ files, read and never written)
// as kestrel prints there. Log lines go to standard error with CUPS'
// prefixes; one "PAGE: n copies" line per page (see PageLine). Everything it writes lies in
// a folder of its own in $TMPDIR (CUPS' temporary folder for the job),
// removed at the end, and when CUPS cancels the job (SIGTERM: removed, exit
// 0); the folders of filters killed outright (SIGKILL) are removed by the
// next filter run. Exit 0 when the PDF is written, 1 with an "ERROR:"
// line otherwise. See filter_job.h for how the job's options meet the page.
// With KESTREL_REPORT naming a file, the run also writes its report there
// (app/run_report.h): its PDF is the output "pdf" with the path "-"
// (standard output), print data read from standard input the file "-".
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <thread>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "app/run_report.h"
#include "app/run_settings.h"
#include "engine/engine_cache.h"
#include "engine/gprint.h"
#include "engine/print_context.h"
#include "engine/print_data.h"
#include "filter_job.h"
#include "filter_ui.h"
#include "platform/fonts/fontconfig_resolver.h"
#include "platform/linux/cups_print_system.h"
#include "platform/linux/iconv_codec.h"
#include "platform/linux/linux_system.h"
#include "platform/text_codec.h"
#include "util/bounded_read.h"

namespace {

using namespace kestrel;
namespace fs = std::filesystem;

// Standard input is kept up to this size (a page's records and a text pool
// far larger than any form's).
constexpr size_t kInputLimit = size_t(64) << 20;

// The filter's own folders under $TMPDIR are "pdattopdf-<pid>-XXXXXX",
// each holding this marker file with the pid: what a later run checks
// before it removes the folder of a filter that was killed.
constexpr const char* kFolderPrefix = "pdattopdf-";
constexpr const char* kMarker = ".pdattopdf-job";

std::string TemporaryRoot() {
  const char* tmp = std::getenv("TMPDIR");
  return tmp != nullptr && *tmp != '\0' ? tmp : "/tmp";
}

// The pid of "pdattopdf-<pid>-XXXXXX"; 0 for any other name.
long FolderOwner(const std::string& name) {
  const size_t prefix = std::strlen(kFolderPrefix);
  if (name.compare(0, prefix, kFolderPrefix) != 0) return 0;
  size_t i = prefix;
  long pid = 0;
  while (i < name.size() && name[i] >= '0' && name[i] <= '9' && i - prefix < 9) pid = pid * 10 + (name[i++] - '0');
  if (i == prefix || i >= name.size() || name[i] != '-' || name.size() - i - 1 != 6) return 0;
  return pid;
}

// Removes the folders that filters of this user which no longer run left
// behind (killed with SIGKILL): only real folders (no links) of our name,
// owned by this user, holding our marker (a file, not a link) with their
// pid. A folder of a running filter, or of one this process cannot tell
// about, stays.
void RemoveLeftoverFolders() {
  const std::string root = TemporaryRoot();
  std::error_code ec;
  for (fs::directory_iterator it(root, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    const long pid = FolderOwner(name);
    if (pid <= 0 || pid == long(::getpid())) continue;
    struct stat st {};
    const std::string folder = root + "/" + name;
    if (::lstat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::geteuid()) continue;
    struct stat marker {};
    const std::string markerPath = folder + "/" + kMarker;
    if (::lstat(markerPath.c_str(), &marker) != 0 || !S_ISREG(marker.st_mode)) continue;
    std::string owner;
    if (ReadBoundedFile(markerPath, 32, owner, BeyondLimit::kCut) != ReadStatus::kOk ||
        owner != std::to_string(pid))
      continue;
    if (::kill(pid_t(pid), 0) == 0 || errno != ESRCH) continue;
    std::error_code removed;
    fs::remove_all(folder, removed);  // links inside are removed, never followed
  }
}

// The filter's own folder under $TMPDIR, removed with everything in it:
// at the end, or when CUPS cancels the job (SIGTERM, see WatchForCancel).
class JobFolder {
 public:
  JobFolder() {
    std::string pattern = TemporaryRoot() + "/" + kFolderPrefix + std::to_string(::getpid()) + "-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) return;
    const std::string marker = pattern + "/" + kMarker;
    std::FILE* f = std::fopen(marker.c_str(), "wx");
    if (f == nullptr) return;
    const bool written = std::fprintf(f, "%ld", long(::getpid())) > 0;
    if (std::fclose(f) == 0 && written) path_ = pattern;
  }
  ~JobFolder() { Remove(path_); }
  const std::string& path() const { return path_; }

  static void Remove(const std::string& path) {
    // A file made meanwhile fails the folder's removal: tried again.
    for (int attempt = 0; attempt < 5 && !path.empty(); ++attempt) {
      std::error_code ec;
      fs::remove_all(path, ec);
      if (!ec) return;
    }
  }

 private:
  std::string path_;
};

// A job cancelled in CUPS gets SIGTERM: the signal is taken by a thread of
// its own (blocked everywhere else), which removes the job's folder with the
// copy of its data and ends the filter with status 0, as a cancelled job's
// filters end, after onCancel (the run's report), when there is one.
// SIGTERM must be blocked before any other thread starts.
void WatchForCancel(const std::string& folder, std::function<void()> onCancel) {
  std::thread([folder, onCancel = std::move(onCancel)] {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGTERM);
    int signal = 0;
    while (sigwait(&set, &signal) != 0) {
    }
    JobFolder::Remove(folder);
    if (onCancel) onCancel();
    std::fputs("INFO: job cancelled\n", stderr);
    std::fflush(stderr);
    _exit(0);
  }).detach();
}

// An "ERROR:" line, kept by the report as an error message.
int Fail(Ui& ui, const std::string& text) {
  ui.ShowMessage(text, MessageKind::Error);
  return 1;
}

// Copies standard input into file; false when it cannot be written.
bool SaveStandardInput(const std::string& file, Ui& ui) {
  std::FILE* out = std::fopen(file.c_str(), "wb");
  if (out == nullptr) return false;
  char buffer[65536];
  size_t total = 0, n = 0;
  bool ok = true;
  while ((n = std::fread(buffer, 1, sizeof buffer, stdin)) > 0) {
    if (total + n > kInputLimit) {
      ui.Warn("print data beyond " + std::to_string(kInputLimit) + " bytes left out");
      break;
    }
    total += n;
    if (std::fwrite(buffer, 1, n, out) != n) ok = false;
  }
  if (std::ferror(stdin)) ok = false;
  return std::fclose(out) == 0 && ok;
}

// The job log of the engine, as DEBUG lines (the file is CP932).
void RelayJobLog(const std::string& file, FilterUi& log) {
  std::string bytes;
  if (ReadBoundedFile(file, kProfileFileLimit, bytes, BeyondLimit::kCut) == ReadStatus::kOk)
    log.Log("DEBUG:", Utf8FromSjis(bytes));
}

bool CopyToStandardOutput(const std::string& file) {
  std::FILE* in = std::fopen(file.c_str(), "rb");
  if (in == nullptr) return false;
  char buffer[65536];
  size_t n = 0;
  bool ok = true;
  while ((n = std::fread(buffer, 1, sizeof buffer, in)) > 0)
    if (std::fwrite(buffer, 1, n, stdout) != n) ok = false;
  if (std::ferror(in)) ok = false;
  std::fclose(in);
  return std::fflush(stdout) == 0 && ok;
}

// The filter's run. Messages and warnings go to ui, DEBUG and INFO lines to
// log; report keeps each file's outcome. onCancel runs when CUPS cancels
// the job.
int RunFilter(const FilterJob& job, Ui& ui, FilterUi& log, RunReport& report, std::function<void()> onCancel) {
  RemoveLeftoverFolders();
  JobFolder folder;
  if (folder.path().empty()) return Fail(ui, "no temporary folder can be made in $TMPDIR");
  WatchForCancel(folder.path(), std::move(onCancel));
  // Font caches a lookup may write stay in the job's folder.
  setenv("XDG_CACHE_HOME", folder.path().c_str(), 1);

  std::vector<std::string> files = job.files;
  std::vector<std::string> reported = job.files;
  if (files.empty()) {
    reported.push_back("-");
    files.push_back(folder.path() + "/input.pdat");
    if (!SaveStandardInput(files[0], ui)) return Fail(ui, "the print data of standard input cannot be kept");
  }
  // Data that is not print data at all fails the job before a page is made.
  for (size_t i = 0; i < files.size(); ++i) {
    std::string head;
    const ReadStatus status = ReadBoundedFile(files[i], kCommandAreaBytes, head, BeyondLimit::kCut);
    std::string problem;
    if (status != ReadStatus::kOk) {
      problem = "cannot be read";
    } else if (!IsPrintData(reinterpret_cast<const uint8_t*>(head.data()), head.size())) {
      problem = "not print data (empty, or no record of a known kind)";
    }
    if (problem.empty()) continue;
    RunReport::File refused;
    refused.path = reported[i];
    refused.error = problem;
    report.files.push_back(refused);
    return Fail(ui, files[i] + ": " + problem);
  }

  LinuxSystem system;
  CupsPrintSystem printers(folder.path() + "/pdf", &SharedFontResolver(), false);
  printers.SetFontLister(&InstalledFontNames);
  RunSettings settings;
  InitRunSettingsPaths(settings, system.BaseDir(), system.WindowsDir());
  report.baseFolder = settings.BaseDir;
  const bool read = LoadSettings(settings, settings.SettingsPath, ui) == 1;
  log.Log("DEBUG:", "base folder " + settings.BaseDir + (read ? ", settings read" : ", no settings file: defaults"));
  for (const std::string& option : job.overridden) log.Log("DEBUG:", option + " not applied: the page's paper decides");
  for (const std::string& option : job.unusable) ui.Warn("option " + option + " ignored");

  EngineCache cache;
  PrintContext ctx(Services{system, printers, ui}, 0, cache);
  CopySettingsIntoJob(settings, ctx.options);
  ctx.output.printerName = kBuiltinPdfDevice;
  ctx.output.jpegPages = false;
  ctx.log.analysisLog = 0;
  ctx.output.jobTitle = job.title;
  ctx.output.duplexSetting = 0;
  ctx.options.batchMode = files.size() > 1 ? 1 : 0;
  ctx.options.pdfOutput = 0;
  ctx.options.parentWindow = 0;
  ctx.options.suppressDebugLabel = true;
  ctx.options.offsetFilePath = settings.OffsetFilePath;
  ctx.options.ocrChoiceFilePath = settings.OcrFontFilePath;
  ctx.options.ocrFontFilePath = settings.OcrFontPath;
  // Nothing of the base folder is written: the engine's logs go to the
  // job's folder and reach CUPS' log from there.
  const std::string jobLog = folder.path() + "/job.log";
  ctx.options.exceptionLogPath = folder.path() + "/critical.log";
  ctx.options.settingsFilePath.clear();
  ctx.options.defaultPrinterFilePath.clear();
  ctx.SetLogFileName(jobLog);

  for (size_t i = 0; i < files.size(); ++i) {
    ctx.page.lastFile = i + 1 == files.size() ? 1 : 0;
    int rc = -1;
    try {
      rc = gprint(ctx, files[i], nullptr, "0");
    } catch (const std::exception& e) {
      ctx.lastErrorMessage = e.what();
    }
    report.AddJob(reported[i], rc, ctx);
    if (rc != 0) {
      RelayJobLog(jobLog, log);
      AbortPrintJob(ctx);
      return Fail(ui, files[i] + ": " + (ctx.lastErrorMessage.empty() ? "the page failed" : ctx.lastErrorMessage));
    }
    std::fprintf(stderr, "%s\n", PageLine(i + 1, job.copies, std::getenv("FINAL_CONTENT_TYPE")).c_str());
    std::fflush(stderr);
  }
  RelayJobLog(jobLog, log);
  RelayJobLog(ctx.options.exceptionLogPath, log);
  if (printers.lastPdfFile().empty() || !CopyToStandardOutput(printers.lastPdfFile())) {
    for (RunReport::File& file : report.files) {
      file.printed = false;
      file.pages = 0;
      file.error = "drawn into a PDF that did not reach standard output";
    }
    return Fail(ui, "the PDF cannot be written to standard output");
  }
  log.Log("INFO:", std::to_string(files.size()) + (files.size() == 1 ? " page" : " pages") + " drawn as PDF");
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() == 1 && args[0] == "--version") {
    std::printf("pdattopdf %s\n", KESTREL_VERSION);
    return 0;
  }
  FilterUi log(stderr);
  RunReport report;
  report.program = "pdattopdf";
  report.version = KESTREL_VERSION;
  report.arguments = args;
  report.started = std::time(nullptr);
  ReportingUi ui(log, report);
  const char* reportVariable = std::getenv("KESTREL_REPORT");
  const std::string reportPath = reportVariable != nullptr ? reportVariable : "";
  // The report is written however the run ends, an escaping failure too.
  // The job's logs lie in its temporary folder, removed at the end (their
  // lines went to standard error): the PDF on standard output is the one
  // output.
  auto finish = [&](int code) {
    if (reportPath.empty()) return code;
    report.outputs.clear();
    if (code == 0) report.AddOutput("pdf", "-");
    EndRunReport(report, code, code == 0 ? "the PDF was written to standard output" : "no PDF was written (see the messages)",
                 reportPath, log);
    return code;
  };
  FilterJob job;
  std::string error;
  if (!ParseFilterArguments(args, job, error)) return finish(Fail(ui, error));
  // A file-size limit fails the write that crosses it instead of the process;
  // a closed standard output fails the copy.
  std::signal(SIGXFSZ, SIG_IGN);
  std::signal(SIGPIPE, SIG_IGN);
  // SIGTERM only reaches the thread of WatchForCancel (threads made from
  // here on inherit the mask).
  sigset_t term;
  sigemptyset(&term);
  sigaddset(&term, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &term, nullptr);
  InstallIconvCodec();
  // A cancelled job's report is written by the thread that takes SIGTERM,
  // from what the run was asked (the files' outcomes are the running
  // thread's).
  std::function<void()> onCancel;
  if (!reportPath.empty()) {
    onCancel = [cancelled = report, reportPath, log]() mutable {
      cancelled.messages.push_back({MessageKind::Information, false, "job cancelled"});
      EndRunReport(cancelled, 0, "the job was cancelled: no PDF was written", reportPath, log);
    };
  }
  int code = 1;
  try {
    code = RunFilter(job, ui, log, report, std::move(onCancel));
  } catch (...) {
    report.messages.push_back({MessageKind::Error, false, "the run ended with an unexpected failure"});
    finish(1);
    throw;
  }
  return finish(code);
}
