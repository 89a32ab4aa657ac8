#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/modal_timer.h"
#include "platform/ui.h"

namespace kestrel {

// The Ui for tests and batch use without a display.
//  - Every message box writes "kestrel: " + its text to standard error (its
//    lines as lines on a terminal, else one line with line feeds shown as
//    \n) and, when KESTREL_MESSAGES names a file, appends the text as one
//    UTF-8 line there (line feeds shown as \n).
//  - A warning writes "kestrel: [warning] " + its text to standard error.
//  - Questions and dialogs take their answers in order from KESTREL_ANSWERS
//    (comma list: yes, no, ok, cancel, or a device name for the device
//    dialog); once the list is used up a question is answered No/Cancel.
//  - The device dialog runs the TSelPrn1 logic: each answer is one action,
//    a device name (take that row; the confirmation takes a following
//    "yes"/"no", else Yes), or "cancel"/"close" (the close box, whose
//    questions take the next answers). Out of answers with nothing selected
//    it takes the request's unattendedChoice when that device is listed (the
//    PDF device choice: the built-in PDF device), says so on standard error
//    and tells the caller; otherwise it is closed with the close box, and if
//    that close is refused the shown selection is the result.
//  - The progress form writes its label and position to standard error, a
//    line each; on a terminal it is one line instead, rewritten in place
//    (FormatProgressLine), which a message first clears.
//    KESTREL_CANCEL_AT=n presses its cancel button while the n-th file
//    prints (once the label has been set n times).
//  - The time-out timer runs while a message box, question or the device
//    dialog is open. Such boxes are answered at once, unless
//    KESTREL_HOLD_MS=n keeps each open for n milliseconds (an operator slow
//    to answer), during which the timer ticks.
class HeadlessUi final : public Ui {
 public:
  HeadlessUi();  // reads KESTREL_ANSWERS and KESTREL_MESSAGES
  HeadlessUi(std::vector<std::string> answers, std::string messagesFile);

  void ShowMessage(const std::string& text, MessageKind kind) override;
  bool AskYesNo(const std::string& text, MessageKind kind) override;
  bool AskOkCancel(const std::string& text, MessageKind kind) override;
  void Warn(const std::string& text) override;
  std::string SelectDevice(const DeviceDialogRequest& request) override;
  void ShowProgress(const std::string& caption) override;
  void SetProgressLabel(const std::string& label) override;
  void SetProgress(int position, int maximum) override;
  void HideProgress() override;
  bool ProcessEvents() override;
  void StartTimer(int intervalMs, std::function<void()> handler) override;
  void StopTimer() override;
  std::string ChooseFile(const std::string& title, const std::string& folder,
                         const std::string& filter) override;
  std::string ChooseFolder(const std::string& title, const std::string& folder) override;

  // Cancels the progress form as if its button had been pressed.
  void RequestCancel() { cancelled_ = true; }
  const std::vector<std::string>& shown() const { return shown_; }
  const std::vector<std::string>& warnings() const { return warnings_; }

 private:
  void Say(const std::string& text);
  // Clears the terminal's progress line before other output; the next
  // position draws it again.
  void BreakProgressLine();
  // A modal loop: serves the timer, holding the box open for holdMs_.
  void RunModalLoop();
  bool NextAnswer(std::string& answer);

  std::vector<std::string> answers_;
  size_t next_ = 0;
  std::string messagesFile_;
  std::vector<std::string> shown_;
  std::vector<std::string> warnings_;
  bool cancelled_ = false;
  int cancelAt_ = 0;
  int labelsShown_ = 0;
  int holdMs_ = 0;
  // The progress form on a terminal: one line, and when the run started.
  bool progressOnTerminal_ = false;
  bool progressLineShown_ = false;
  int64_t progressStartMs_ = 0;
  ModalTimer timer_;
};

// The terminal's progress line for done of total pages after the given
// seconds: "3/10  30%  2.5 pages/s  0:03 left" (rate and time left shown as
// "--" until a page is done).
std::string FormatProgressLine(int done, int total, double seconds);

// Appends text as one UTF-8 line (line feeds shown as \n) to the messages
// file (KESTREL_MESSAGES); nothing when file is empty. Every Ui records its
// boxes there.
void AppendToMessagesFile(const std::string& file, const std::string& text);

// Splits the KESTREL_ANSWERS form: comma-separated, blanks kept.
std::vector<std::string> SplitAnswers(const std::string& list);

}  // namespace kestrel
