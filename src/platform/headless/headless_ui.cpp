#include "platform/headless/headless_ui.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include <unistd.h>

#include "platform/device_selection.h"
#include "platform/native_path.h"

namespace kestrel {
namespace {

std::string OneLine(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    if (c == '\n') out += "\\n";
    else out.push_back(c);
  }
  return out;
}

// On a terminal a text keeps its lines, the later ones indented under the
// first; a line feed that ends the text ends the last line.
std::string TerminalLines(const std::string& text) {
  std::string body = text;
  while (!body.empty() && body.back() == '\n') body.pop_back();
  std::string out;
  out.reserve(body.size());
  for (char c : body) {
    out.push_back(c);
    if (c == '\n') out += "         ";  // under the text after "kestrel: "
  }
  return out;
}

// Standard error's form of a text: lines on a terminal, else one line.
std::string ForStandardError(const std::string& text) {
  return isatty(STDERR_FILENO) == 1 ? TerminalLines(text) : OneLine(text);
}

std::string Env(const char* name) {
  const char* v = std::getenv(name);
  return v == nullptr ? std::string() : std::string(v);
}

int EnvNumber(const char* name) {
  std::string v = Env(name);
  return v.empty() ? 0 : std::atoi(v.c_str());
}

int64_t NowMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

// "m:ss", or "h:mm:ss" from an hour on.
std::string FormatDuration(double seconds) {
  const long total = std::lround(std::max(0.0, seconds));
  char text[32];
  if (total >= 3600) {
    std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", total / 3600, total / 60 % 60, total % 60);
  } else {
    std::snprintf(text, sizeof text, "%ld:%02ld", total / 60, total % 60);
  }
  return text;
}

}  // namespace

std::string FormatProgressLine(int done, int total, double seconds) {
  const int percent = total > 0 ? int(int64_t(done) * 100 / total) : 0;
  const bool rateKnown = done > 0 && seconds > 0;
  const double rate = rateKnown ? done / seconds : 0;
  char rateText[32] = "--";
  if (rateKnown) std::snprintf(rateText, sizeof rateText, "%.1f", rate);
  std::string left = "--:--";
  if (done >= total) {
    left = FormatDuration(0);
  } else if (rateKnown) {
    left = FormatDuration((total - done) / rate);
  }
  char text[128];
  std::snprintf(text, sizeof text, "%d/%d  %3d%%  %s pages/s  %s left", done, total, percent, rateText, left.c_str());
  return text;
}

std::vector<std::string> SplitAnswers(const std::string& list) {
  std::vector<std::string> out;
  if (list.empty()) return out;
  size_t start = 0;
  while (true) {
    size_t comma = list.find(',', start);
    out.push_back(list.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  return out;
}

HeadlessUi::HeadlessUi() : HeadlessUi(SplitAnswers(Env("KESTREL_ANSWERS")), Env("KESTREL_MESSAGES")) {}

HeadlessUi::HeadlessUi(std::vector<std::string> answers, std::string messagesFile)
    : answers_(std::move(answers)),
      messagesFile_(std::move(messagesFile)),
      cancelAt_(EnvNumber("KESTREL_CANCEL_AT")),
      holdMs_(EnvNumber("KESTREL_HOLD_MS")) {}

void AppendToMessagesFile(const std::string& file, const std::string& text) {
  if (file.empty()) return;
  if (FILE* f = OpenFile(file, "ab")) {
    std::fprintf(f, "%s\n", OneLine(text).c_str());
    std::fclose(f);
  }
}

void HeadlessUi::BreakProgressLine() {
  if (!progressLineShown_) return;
  std::fputs("\r\033[K", stderr);
  progressLineShown_ = false;
}

void HeadlessUi::Say(const std::string& text) {
  BreakProgressLine();
  shown_.push_back(text);
  std::fprintf(stderr, "kestrel: %s\n", ForStandardError(text).c_str());
  AppendToMessagesFile(messagesFile_, text);
  RunModalLoop();
}

void HeadlessUi::StartTimer(int intervalMs, std::function<void()> handler) {
  timer_.Start(NowMs(), intervalMs, std::move(handler));
}

void HeadlessUi::StopTimer() { timer_.Stop(); }

void HeadlessUi::RunModalLoop() {
  // The handler may write and notify but shows nothing; a box it opened
  // would not serve the timer again.
  if (timer_.serving()) return;
  const int64_t end = NowMs() + holdMs_;
  timer_.ServeIfDue(NowMs());
  while (true) {
    int64_t now = NowMs();
    if (now >= end) break;
    int64_t wake = end;
    if (timer_.running()) wake = std::min(wake, timer_.NextDue());
    if (wake > now) std::this_thread::sleep_for(std::chrono::milliseconds(wake - now));
    timer_.ServeIfDue(NowMs());
  }
}

bool HeadlessUi::NextAnswer(std::string& answer) {
  if (next_ >= answers_.size()) return false;
  answer = answers_[next_++];
  return true;
}

void HeadlessUi::ShowMessage(const std::string& text, MessageKind) { Say(text); }

void HeadlessUi::Warn(const std::string& text) {
  warnings_.push_back(text);
  BreakProgressLine();
  std::fprintf(stderr, "kestrel: [warning] %s\n", ForStandardError(text).c_str());
}

bool HeadlessUi::AskYesNo(const std::string& text, MessageKind) {
  Say(text);
  std::string a;
  return NextAnswer(a) && (a == "yes" || a == "ok");
}

bool HeadlessUi::AskOkCancel(const std::string& text, MessageKind) {
  Say(text);
  std::string a;
  return NextAnswer(a) && (a == "ok" || a == "yes");
}

std::string HeadlessUi::SelectDevice(const DeviceDialogRequest& request) {
  TSelPrn1 dialog([this](DeviceQuestion which, const std::string& text, MessageKind kind) {
    if (which != DeviceQuestion::ConfirmRow) return AskYesNo(text, kind);
    // The confirmation of a taken row takes a following yes/no answer and
    // is otherwise answered Yes, so that a device name alone picks it.
    Say(text);
    if (next_ < answers_.size() && (answers_[next_] == "yes" || answers_[next_] == "no")) {
      return answers_[next_++] == "yes";
    }
    return true;
  });
  dialog.Configure(request);
  auto RowOf = [&dialog](const std::string& name) {
    const auto& rows = dialog.Rows();
    for (size_t i = 0; i < rows.size(); ++i)
      if (!name.empty() && rows[i] == name) return int(i);
    return -1;
  };
  BreakProgressLine();
  std::fprintf(stderr, "kestrel: [device dialog] %s\n", OneLine(dialog.Caption()).c_str());
  dialog.FormShow();
  RunModalLoop();
  while (dialog.IsOpen()) {
    std::string a;
    if (!NextAnswer(a)) {
      // Out of answers with nothing selected: the device the caller names
      // for an unattended run, when it is listed.
      if (dialog.GetSelection().empty() && RowOf(request.unattendedChoice) >= 0) {
        const std::string& device = request.unattendedChoice;
        std::fprintf(stderr, "kestrel: [device dialog] no answer left: %s taken\n", OneLine(device).c_str());
        dialog.SetHighlight(RowOf(device));
        dialog.ListBox1KeyDown(kKeyEnter);
        if (!dialog.IsOpen() && dialog.GetSelection() == device && request.onUnattendedChoice)
          request.onUnattendedChoice(device);
        if (!dialog.IsOpen()) break;
      }
      // Otherwise the close box; a refused close leaves the shown selection
      // as it is.
      dialog.RequestClose();
      break;
    }
    if (a == "cancel" || a == "close") {
      dialog.RequestClose();
      continue;
    }
    const int row = RowOf(a);
    if (row < 0) {
      std::fprintf(stderr, "kestrel: [device dialog] no device named %s\n", OneLine(a).c_str());
      continue;
    }
    dialog.SetHighlight(row);
    dialog.ListBox1KeyDown(kKeyEnter);
  }
  return dialog.GetSelection();
}

void HeadlessUi::ShowProgress(const std::string& caption) {
  cancelled_ = false;
  progressOnTerminal_ = isatty(STDERR_FILENO) == 1;
  progressStartMs_ = NowMs();
  if (!progressOnTerminal_) std::fprintf(stderr, "kestrel: [progress] %s\n", OneLine(caption).c_str());
}
void HeadlessUi::SetProgressLabel(const std::string& label) {
  if (!progressOnTerminal_) std::fprintf(stderr, "kestrel: [progress] %s\n", OneLine(label).c_str());
  if (cancelAt_ > 0 && ++labelsShown_ == cancelAt_) {
    BreakProgressLine();
    std::fprintf(stderr, "kestrel: [progress] cancel pressed\n");
    cancelled_ = true;
  }
}
void HeadlessUi::SetProgress(int position, int maximum) {
  if (!progressOnTerminal_) {
    std::fprintf(stderr, "kestrel: [progress] %d/%d\n", position, maximum);
    return;
  }
  const double seconds = double(NowMs() - progressStartMs_) / 1000.0;
  std::fprintf(stderr, "\r\033[Kkestrel: %s", FormatProgressLine(position, maximum, seconds).c_str());
  std::fflush(stderr);
  progressLineShown_ = true;
}
void HeadlessUi::HideProgress() {
  // The last state of the line stays on the terminal.
  if (progressLineShown_) std::fputs("\n", stderr);
  progressLineShown_ = false;
  progressOnTerminal_ = false;
}
bool HeadlessUi::ProcessEvents() { return cancelled_; }

std::string HeadlessUi::ChooseFile(const std::string& title, const std::string&, const std::string&) {
  BreakProgressLine();
  std::fprintf(stderr, "kestrel: [choose file] %s\n", OneLine(title).c_str());
  RunModalLoop();
  std::string a;
  if (!NextAnswer(a) || a == "cancel") return {};
  return a;
}

std::string HeadlessUi::ChooseFolder(const std::string& title, const std::string&) {
  BreakProgressLine();
  std::fprintf(stderr, "kestrel: [choose folder] %s\n", OneLine(title).c_str());
  RunModalLoop();
  std::string a;
  if (!NextAnswer(a) || a == "cancel") return {};
  return a;
}

}  // namespace kestrel
