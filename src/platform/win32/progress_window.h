// The progress form shown while a folder prints, as a Win32 window: the
// file being printed, a progress bar of the files done and a cancel button.
// Its layout is kProgressForm (forms/form_tables.h), centred on the screen.
#pragma once

#include <string>

#include "platform/win32/form_builder.h"
#include "platform/win32/windows_api.h"

namespace kestrel {

class ProgressWindow {
 public:
  ProgressWindow();
  ProgressWindow(const ProgressWindow&) = delete;
  ProgressWindow& operator=(const ProgressWindow&) = delete;
  ~ProgressWindow();

  // Creates the window on first use and shows it with this caption; the
  // cancel flag starts cleared.
  void Show(const std::string& caption);
  void SetLabel(const std::string& text);
  void SetProgress(int position, int maximum);
  void Hide();
  // Runs the pending messages (repaint, the button); true once cancelled.
  bool ProcessMessages();

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

  HWND window_ = nullptr;
  HWND label_ = nullptr;
  HWND bar_ = nullptr;
  Win32Form form_;
  HBRUSH background_ = nullptr;
  bool cancelled_ = false;
};

}  // namespace kestrel
