#include "platform/win32/progress_window.h"

#include <commctrl.h>

#include "platform/win32/wide_text.h"

namespace kestrel {

namespace {

constexpr wchar_t kClassName[] = L"KestrelProgressForm";
constexpr int kCancelButton = 1;
constexpr COLORREF kSkyBlue = RGB(166, 202, 240);

HFONT Tahoma(int pixels) {
  return CreateFontW(-pixels, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                     CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, L"Tahoma");
}

}  // namespace

ProgressWindow::~ProgressWindow() {
  if (window_ != nullptr) DestroyWindow(window_);
  if (background_ != nullptr) DeleteObject(background_);
  if (formFont_ != nullptr) DeleteObject(formFont_);
  if (labelFont_ != nullptr) DeleteObject(labelFont_);
}

LRESULT CALLBACK ProgressWindow::WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  auto* self = reinterpret_cast<ProgressWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  switch (message) {
    case WM_COMMAND:
      if (self != nullptr && LOWORD(wparam) == kCancelButton && HIWORD(wparam) == BN_CLICKED) self->cancelled_ = true;
      return 0;
    case WM_CTLCOLORSTATIC:
      if (self != nullptr && reinterpret_cast<HWND>(lparam) == self->label_) {
        // The file label is a white field with the window text's colour.
        HDC dc = reinterpret_cast<HDC>(wparam);
        SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
        SetBkColor(dc, RGB(255, 255, 255));
        return reinterpret_cast<LRESULT>(GetStockObject(WHITE_BRUSH));
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
    background_ = CreateSolidBrush(kSkyBlue);
    formFont_ = Tahoma(11);
    labelFont_ = Tahoma(13);
    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSW wc{};
    wc.lpfnWndProc = &ProgressWindow::WindowProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.hbrBackground = background_;
    wc.lpszClassName = kClassName;
    RegisterClassW(&wc);
    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;
    RECT frame{0, 0, 450, 146};
    AdjustWindowRect(&frame, style, FALSE);
    const int width = frame.right - frame.left, height = frame.bottom - frame.top;
    const int x = (GetSystemMetrics(SM_CXSCREEN) - width) / 2, y = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
    window_ = CreateWindowExW(0, kClassName, Wide(caption).c_str(), style, x, y, width, height, nullptr, nullptr,
                              instance, nullptr);
    if (window_ == nullptr) return;
    SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    label_ = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE | SS_LEFT | SS_CENTERIMAGE, 16, 24, 417, 17,
                             window_, nullptr, instance, nullptr);
    bar_ = CreateWindowExW(0, PROGRESS_CLASSW, L"", WS_CHILD | WS_VISIBLE, 16, 56, 417, 17, window_, nullptr,
                           instance, nullptr);
    button_ = CreateWindowExW(0, L"BUTTON", L"キャンセル", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 176, 103, 105, 25,
                              window_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kCancelButton)), instance, nullptr);
    SendMessageW(window_, WM_SETFONT, reinterpret_cast<WPARAM>(formFont_), FALSE);
    SendMessageW(label_, WM_SETFONT, reinterpret_cast<WPARAM>(labelFont_), FALSE);
    SendMessageW(button_, WM_SETFONT, reinterpret_cast<WPARAM>(formFont_), FALSE);
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
