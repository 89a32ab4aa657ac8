// Ui: everything the program shows to the operator.
//
// Backends: HeadlessUi (platform/headless; standard error, an optional
// messages file and scripted answers from KESTREL_ANSWERS) and QtUi
// (platform/qt; windows on a desktop).
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/form_model.h"

namespace kestrel {

enum class MessageKind { Information, Warning, Error };

// The application's title: the caption of its message boxes.
inline constexpr const char* kApplicationTitle = "Kestrel";

// What the device selection dialog is asked to show; empty texts keep the
// dialog's own texts.
struct DeviceDialogRequest {
  std::string caption;
  std::string heading;
  std::string noSelectionMessage;
  std::vector<std::string> devices;
  std::string preset;  // device to mark as chosen when the dialog opens
  // The device a Ui without an operator (the headless Ui out of answers)
  // takes instead of closing the dialog with nothing selected; empty: none.
  // The PDF device choice names the built-in PDF device, so that an
  // unattended PDF run writes PDF files instead of printing on paper.
  std::string unattendedChoice;
  // Told the device when the Ui took unattendedChoice so (the engine logs it).
  std::function<void(const std::string& device)> onUnattendedChoice;
};

class Ui {
 public:
  virtual ~Ui() = default;

  // Modal message box with an OK button.
  virtual void ShowMessage(const std::string& text, MessageKind kind = MessageKind::Information) = 0;
  // Yes/No question; true for Yes.
  virtual bool AskYesNo(const std::string& text, MessageKind kind = MessageKind::Warning) = 0;
  // A warning that needs no answer and holds nothing up (damaged print
  // data, a printer variable naming no queue): written where the operator
  // sees it, never as a box.
  virtual void Warn(const std::string& text) { (void)text; }
  // OK/Cancel question; true for OK.
  virtual bool AskOkCancel(const std::string& text, MessageKind kind = MessageKind::Information) = 0;

  // The device selection dialog; returns the chosen device, empty when none.
  virtual std::string SelectDevice(const DeviceDialogRequest& request) = 0;

  // The progress form shown while a folder prints.
  virtual void ShowProgress(const std::string& caption) = 0;
  virtual void SetProgressLabel(const std::string& label) = 0;
  virtual void SetProgress(int position, int maximum) = 0;
  virtual void HideProgress() = 0;
  // Lets pending user input run (the cancel button); true once cancelled.
  // The time-out timer below is not served here.
  virtual bool ProcessEvents() = 0;

  // The controller's time-out timer. handler runs only while a modal box,
  // question or dialog runs its own loop: once when such a loop starts and
  // an interval has ended since the timer was last served (elapsed
  // intervals are served once, not once each), then once at the end of
  // each interval while the loop waits. Starting replaces a running timer.
  virtual void StartTimer(int intervalMs, std::function<void()> handler) {
    (void)intervalMs;
    (void)handler;
  }
  virtual void StopTimer() {}

  // Choosers for the maintenance forms; empty when cancelled.
  virtual std::string ChooseFile(const std::string& title, const std::string& folder,
                                 const std::string& filter) = 0;
  virtual std::string ChooseFolder(const std::string& title, const std::string& folder) = 0;
  // The file to save to, defaultName offered; empty when cancelled. A Ui
  // without a save dialog of its own takes the name as ChooseFile does.
  virtual std::string ChooseSaveFile(const std::string& title, const std::string& folder, const std::string& filter,
                                     const std::string& defaultName) {
    (void)defaultName;
    return ChooseFile(title, folder, filter);
  }

  // Whether this Ui shows its messages as windows on a desktop (a Ui that
  // does may still lack some forms: ShowForm says so by false).
  virtual bool HasWindows() const { return false; }
  // Shows a form (the system menu, the font settings form, the bookmark
  // dialog...) modally until the operator closes it; false when this Ui has
  // no view of that form (found by the form's name), or no windows at all.
  virtual bool ShowForm(FormModel& form) {
    (void)form;
    return false;
  }
};

// A Ui without a screen (a filter, a fuzz target, a test): no progress form,
// no events, every chooser cancelled. Messages, questions and the device
// dialog are the deriving class's.
class WindowlessUi : public Ui {
 public:
  void ShowProgress(const std::string&) override {}
  void SetProgressLabel(const std::string&) override {}
  void SetProgress(int, int) override {}
  void HideProgress() override {}
  bool ProcessEvents() override { return false; }
  std::string ChooseFile(const std::string&, const std::string&, const std::string&) override { return {}; }
  std::string ChooseFolder(const std::string&, const std::string&) override { return {}; }
};

}  // namespace kestrel
