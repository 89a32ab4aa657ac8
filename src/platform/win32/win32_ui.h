#pragma once

#include "platform/win32/windows_api.h"

#include <cstdint>
#include <functional>
#include <string>

#include "platform/headless/headless_ui.h"
#include "platform/ui.h"
#include "platform/win32/progress_window.h"

namespace kestrel {

// The Windows Ui: message boxes and questions are MessageBoxW boxes with the
// kind's icon, captioned with the program's title. The time-out timer is a
// SetTimer timer, served while such a box runs its modal loop (once on
// entry when an interval ended meanwhile, then at each interval). The
// progress form and the device dialog are windows (ProgressWindow,
// RunDeviceDialogWindow; without a desktop the dialog is the headless
// Ui's). The file choosers have no window of their own yet: they are the
// headless Ui's (standard error, the answers of KESTREL_ANSWERS), as are
// warnings.
class Win32Ui final : public Ui {
 public:
  Win32Ui();
  ~Win32Ui() override;

  void ShowMessage(const std::string& text, MessageKind kind) override;
  bool AskYesNo(const std::string& text, MessageKind kind) override;
  bool AskOkCancel(const std::string& text, MessageKind kind) override;
  void Warn(const std::string& text) override { fallback_.Warn(text); }
  bool HasWindows() const override { return true; }
  std::string SelectDevice(const DeviceDialogRequest& request) override;
  void ShowProgress(const std::string& caption) override { progress_.Show(caption); }
  void SetProgressLabel(const std::string& label) override { progress_.SetLabel(label); }
  void SetProgress(int position, int maximum) override { progress_.SetProgress(position, maximum); }
  void HideProgress() override { progress_.Hide(); }
  bool ProcessEvents() override;
  void StartTimer(int intervalMs, std::function<void()> handler) override;
  void StopTimer() override;
  std::string ChooseFile(const std::string& title, const std::string& folder, const std::string& filter) override {
    return fallback_.ChooseFile(title, folder, filter);
  }
  std::string ChooseFolder(const std::string& title, const std::string& folder) override {
    return fallback_.ChooseFolder(title, folder);
  }

 private:
  // Shows a box in a modal loop that serves the timer; the button pressed.
  int Box(const std::string& text, UINT flags);
  void Serve();
  static void CALLBACK OnTimer(HWND, UINT, UINT_PTR, DWORD);

  HeadlessUi fallback_;
  std::string messagesFile_;  // KESTREL_MESSAGES
  ProgressWindow progress_;
  std::function<void()> timerHandler_;
  uint64_t timerStart_ = 0;
  int timerInterval_ = 1;
  int64_t timerServed_ = 0;
  UINT_PTR timerId_ = 0;
  bool inTimer_ = false;
};

}  // namespace kestrel
