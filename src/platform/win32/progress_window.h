// The progress form shown while a folder prints, as a Win32 window: the
// file being printed, a progress bar of the files done and a cancel button.
// Client area 450 x 146, sky blue, centred on the screen; the label white
// Tahoma 13 px at (16, 24, 417, 17), the bar at (16, 56, 417, 17), the
// button "キャンセル" at (176, 103, 105, 25).
#pragma once

#include <string>

#include "platform/win32/windows_api.h"

namespace kestrel {

class ProgressWindow {
 public:
  ProgressWindow() = default;
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
  HWND button_ = nullptr;
  HBRUSH background_ = nullptr;
  HFONT formFont_ = nullptr;
  HFONT labelFont_ = nullptr;
  bool cancelled_ = false;
};

}  // namespace kestrel
