#include "platform/win32/progress_window.h"

#include <commctrl.h>

#include "forms/form_tables.h"
#include "platform/win32/wide_text.h"

namespace kestrel {

namespace {

constexpr wchar_t kClassName[] = L"KestrelProgressForm";

}  // namespace

ProgressWindow::ProgressWindow() = default;

ProgressWindow::~ProgressWindow() {
  if (window_ != nullptr) DestroyWindow(window_);
  if (background_ != nullptr) DeleteObject(background_);
}

LRESULT CALLBACK ProgressWindow::WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  auto* self = reinterpret_cast<ProgressWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  switch (message) {
    case WM_COMMAND:
      if (self != nullptr && reinterpret_cast<HWND>(lparam) == self->form_.Get("SpeedButton1") &&
          HIWORD(wparam) == BN_CLICKED)
        self->cancelled_ = true;
      return 0;
    case WM_CTLCOLORSTATIC:
      if (self != nullptr) {
        if (HBRUSH b = self->form_.StaticColours(reinterpret_cast<HWND>(lparam), reinterpret_cast<HDC>(wparam)))
          return reinterpret_cast<LRESULT>(b);
      }
      break;
    case WM_CLOSE:
      return 0;  // the form closes with the run, not by its close box
    default:
      break;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

void ProgressWindow::Show(const std::string& caption) {
  cancelled_ = false;
  if (window_ == nullptr) {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSW wc{};
    wc.lpfnWndProc = &ProgressWindow::WindowProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    background_ = CreateSolidBrush(RGB(kProgressForm.colour >> 16, (kProgressForm.colour >> 8) & 0xFF,
                                       kProgressForm.colour & 0xFF));
    wc.hbrBackground = background_;
    wc.lpszClassName = kClassName;
    RegisterClassW(&wc);
    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;
    RECT frame{0, 0, kProgressForm.width, kProgressForm.height};
    AdjustWindowRect(&frame, style, FALSE);
    const int width = frame.right - frame.left, height = frame.bottom - frame.top;
    const int x = (GetSystemMetrics(SM_CXSCREEN) - width) / 2, y = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
    window_ = CreateWindowExW(0, kClassName, Wide(caption).c_str(), style, x, y, width, height, nullptr, nullptr,
                              instance, nullptr);
    if (window_ == nullptr) return;
    SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    form_.Build(kProgressForm, window_);
    label_ = form_.Get("Label1");
    bar_ = form_.Get("ProgressBar1");
  } else {
    SetWindowTextW(window_, Wide(caption).c_str());
  }
  ShowWindow(window_, SW_SHOWNORMAL);
  UpdateWindow(window_);
}

void ProgressWindow::SetLabel(const std::string& text) {
  if (label_ != nullptr) SetWindowTextW(label_, Wide(text).c_str());
}

void ProgressWindow::SetProgress(int position, int maximum) {
  if (bar_ == nullptr) return;
  SendMessageW(bar_, PBM_SETRANGE32, 0, maximum);
  SendMessageW(bar_, PBM_SETPOS, WPARAM(position), 0);
}

void ProgressWindow::Hide() {
  if (window_ != nullptr) ShowWindow(window_, SW_HIDE);
}

bool ProgressWindow::ProcessMessages() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    // Timer ticks belong to the modal boxes; between files they wait.
    if (msg.message == WM_TIMER) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return cancelled_;
}

}  // namespace kestrel
