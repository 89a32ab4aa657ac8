// The run report: one JSON document (UTF-8) per run for the program that
// started it, written when the run ends, whatever way it ends, at the path
// the caller names (KESTREL_REPORT): a run of kestrel, of the filter
// pdattopdf or of kestrel-tools analyse. It says what the exit code means, each
// requested print-data file's outcome with its pages and paper, the files
// the run wrote (PDF, JPEG pages, logs, bookmark CSV), the printer, and the
// messages shown or warned of, so that a caller without a window learns
// what a run did without reading a log. Its fields are described by
// docs/run-report.schema.json.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

#include "platform/ui.h"

namespace kestrel {

class PrintContext;

struct RunReport {
  struct File {
    std::string path;
    bool printed = false;
    // Drawn into a print document not ended yet: printed once it ends.
    bool pending = false;
    int pages = 0;
    int paperCode = 0;
    int paperWidthMm = 0;
    int paperHeightMm = 0;
    std::string error;  // why it was not printed (UTF-8)
  };
  struct Output {
    std::string kind;  // "pdf", "jpeg", "job-log", "program-log", "analysis-log", "bookmark-csv"
    std::string path;
  };
  struct Message {
    MessageKind kind;
    bool question = false;
    std::string text;
  };

  std::string program;
  std::string version;
  std::vector<std::string> arguments;
  std::string baseFolder;
  std::time_t started = 0;
  std::time_t ended = 0;
  int exitCode = 0;
  // What the exit code means for the program (ExitCodeMeaning for kestrel).
  std::string exitMeaning;
  std::string printer;
  std::vector<File> files;
  std::vector<Output> outputs;
  std::vector<Message> messages;

  // Adds an output once (a log written by several jobs is one output);
  // empty paths are left out.
  void AddOutput(const std::string& kind, const std::string& path);

  // One job's outcome (gprint's result rc for dataFile) and what it wrote.
  // A page drawn into a print document that is still open is pending: it
  // counts as printed once a later job ends that document.
  void AddJob(const std::string& dataFile, int rc, const PrintContext& ctx);
  // The pages still pending when the run ends: their document was never
  // finished, so they failed.
  void FailPendingFiles();
};

// What an exit code of kestrel means.
const char* ExitCodeMeaning(int exitCode);

// The report as JSON text.
std::string RunReportJson(const RunReport& report);

// Writes the report to path whole or not at all (a reader never sees half
// of it); false when it cannot be written.
bool WriteRunReport(const RunReport& report, const std::string& path);

// Ends the report of a run that ends with exitCode, which means meaning for
// the program: the end time, the pages still pending failed
// (FailPendingFiles), then writes it to path (WriteRunReport); warns on ui
// when it cannot be written.
void EndRunReport(RunReport& report, int exitCode, const std::string& meaning, const std::string& path, Ui& ui);

// A Ui that passes everything on to another and keeps every message,
// question and warning in a report.
class ReportingUi final : public Ui {
 public:
  ReportingUi(Ui& inner, RunReport& report) : inner_(inner), report_(report) {}

  void ShowMessage(const std::string& text, MessageKind kind) override {
    report_.messages.push_back({kind, false, text});
    inner_.ShowMessage(text, kind);
  }
  bool AskYesNo(const std::string& text, MessageKind kind) override {
    report_.messages.push_back({kind, true, text});
    return inner_.AskYesNo(text, kind);
  }
  void Warn(const std::string& text) override {
    report_.messages.push_back({MessageKind::Warning, false, text});
    inner_.Warn(text);
  }
  bool AskOkCancel(const std::string& text, MessageKind kind) override {
    report_.messages.push_back({kind, true, text});
    return inner_.AskOkCancel(text, kind);
  }
  std::string SelectDevice(const DeviceDialogRequest& request) override { return inner_.SelectDevice(request); }
  void ShowProgress(const std::string& caption) override { inner_.ShowProgress(caption); }
  void SetProgressLabel(const std::string& label) override { inner_.SetProgressLabel(label); }
  void SetProgress(int position, int maximum) override { inner_.SetProgress(position, maximum); }
  void HideProgress() override { inner_.HideProgress(); }
  bool ProcessEvents() override { return inner_.ProcessEvents(); }
  void StartTimer(int intervalMs, std::function<void()> handler) override {
    inner_.StartTimer(intervalMs, std::move(handler));
  }
  void StopTimer() override { inner_.StopTimer(); }
  std::string ChooseFile(const std::string& title, const std::string& folder, const std::string& filter) override {
    return inner_.ChooseFile(title, folder, filter);
  }
  std::string ChooseFolder(const std::string& title, const std::string& folder) override {
    return inner_.ChooseFolder(title, folder);
  }
  std::string ChooseSaveFile(const std::string& title, const std::string& folder, const std::string& filter,
                             const std::string& defaultName) override {
    return inner_.ChooseSaveFile(title, folder, filter, defaultName);
  }
  bool HasWindows() const override { return inner_.HasWindows(); }
  bool ShowForm(FormModel& form) override { return inner_.ShowForm(form); }

 private:
  Ui& inner_;
  RunReport& report_;
};

}  // namespace kestrel
