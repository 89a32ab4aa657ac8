// QtUi: the Ui on a desktop (Qt 6 Widgets). Message boxes, the device
// dialog and the choosers are modal windows, each running its own loop in
// which the controller's time-out timer is served (RunModal); the progress
// form is a plain window that repaints and takes its cancel button's click
// when the print loop lets events run (ProcessEvents).
//
// The first QtUi creates the application object unless the process has one
// (the tests' own), loads the Japanese texts of the standard buttons and maps
// the forms' face (desktop_fonts.h). The messages file (KESTREL_MESSAGES)
// records every box, as the headless Ui does.
#pragma once

#include <memory>
#include <string>

#include "platform/headless/headless_ui.h"
#include "platform/modal_timer.h"
#include "platform/ui.h"

class QApplication;
class QDialog;
class QFileDialog;
class QWidget;

namespace kestrel {

class ProgressWindow;

class QtUi final : public Ui {
 public:
  // baseDir: the product's base folder, under which the choosers' Windows
  // start folders ("c:\zoq") resolve.
  explicit QtUi(std::string baseDir);
  ~QtUi() override;

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
  bool HasWindows() const override { return true; }
  // Finds the form's view by the form's name (kFormViews, qt_ui.cpp).
  bool ShowForm(FormModel& form) override;
  std::string ChooseSaveFile(const std::string& title, const std::string& folder, const std::string& filter,
                             const std::string& defaultName) override;  // analysis_log_page.cpp

  // Runs a modal window's own loop and returns its result; the time-out
  // timer is served once on entry when an interval has ended, then at the
  // end of each interval. Every modal window of this backend runs here.
  int RunModal(QDialog& dialog);
  // The window a new modal window belongs to (the open modal one, if any).
  static QWidget* ModalParent();

  // The progress form while shown (tests look at it).
  ProgressWindow* progressWindow() const { return progress_.get(); }

 private:
  std::unique_ptr<QApplication> app_;  // when this Ui created it
  std::string baseDir_;
  std::string messagesFile_;
  ModalTimer timer_;
  std::unique_ptr<ProgressWindow> progress_;
  bool cancelled_ = false;
  HeadlessUi terminal_;  // warnings go where they go without a display
};

// The chooser's filter for a Windows filter text "label|pattern|label|
// pattern" (patterns separated by ";"): "label (pattern);;label (pattern)".
// A label without its pattern is left out.
std::string QtFileFilter(const std::string& windowsFilter);

// Sets up a file chooser as every chooser of this Ui is: Qt's own dialog in
// Japanese, details shown, sizes and dates in the Japanese form and the
// name column as wide as the names.
void PrepareChooser(QFileDialog& dialog);

// A form's view: shows the form modally (QtUi::RunModal); false when the
// model is not the view's.
using FormView = bool (*)(QtUi& ui, FormModel& form);

}  // namespace kestrel
