#include "platform/win32/device_dialog_window.h"

#include "platform/win32/windows_api.h"

#include <commctrl.h>

#include "forms/form_tables.h"
#include "platform/device_selection.h"
#include "platform/win32/form_builder.h"
#include "platform/win32/wide_text.h"

namespace kestrel {

namespace {

constexpr wchar_t kClassName[] = L"KestrelDeviceDialog";
constexpr int kRowHeight = 19;

struct DialogWindow {
  TSelPrn1* dialog = nullptr;
  HWND window = nullptr, heading = nullptr, list = nullptr, status = nullptr;
  Win32Form form;

  // Shows what the dialog holds: the highlighted row and the status line.
  void Sync() const {
    SendMessageW(list, LB_SETCURSEL, WPARAM(dialog->Highlighted()), 0);
    SetWindowTextW(status, Wide(dialog->StatusLine()).c_str());
  }
};

// The list's own keys: Enter takes the row, the arrows move through the
// dialog so that its highlight stays the one shown.
LRESULT CALLBACK ListProc(HWND list, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR, DWORD_PTR data) {
  auto* self = reinterpret_cast<DialogWindow*>(data);
  if (message == WM_KEYDOWN && (wparam == VK_RETURN || wparam == VK_UP || wparam == VK_DOWN)) {
    self->dialog->ListBox1KeyDown(wparam == VK_RETURN ? kKeyEnter : wparam == VK_UP ? kKeyUp : kKeyDown);
    self->Sync();
    return 0;
  }
  if (message == WM_GETDLGCODE) return DLGC_WANTALLKEYS;
  return DefSubclassProc(list, message, wparam, lparam);
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  auto* self = reinterpret_cast<DialogWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (self == nullptr) return DefWindowProcW(window, message, wparam, lparam);
  switch (message) {
    case WM_COMMAND:
      if (reinterpret_cast<HWND>(lparam) == self->list) {
        const int row = int(SendMessageW(self->list, LB_GETCURSEL, 0, 0));
        if (HIWORD(wparam) == LBN_SELCHANGE) {
          self->dialog->SetHighlight(row);
          self->Sync();
        } else if (HIWORD(wparam) == LBN_DBLCLK) {
          self->dialog->SetHighlight(row);
          self->dialog->ListBox1DblClick();
          self->Sync();
        }
      }
      return 0;
    case WM_CTLCOLORSTATIC:
      return reinterpret_cast<LRESULT>(
          self->form.StaticColours(reinterpret_cast<HWND>(lparam), reinterpret_cast<HDC>(wparam)));
    case WM_CLOSE:
      self->dialog->RequestClose();
      self->Sync();
      return 0;
    default:
      break;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

}  // namespace

bool RunDeviceDialogWindow(const DeviceDialogRequest& request, Ui& ui, std::string& result) {
  TSelPrn1 dialog(ui);
  dialog.Configure(request);
  dialog.FormShow();

  DialogWindow w;
  w.dialog = &dialog;
  HINSTANCE instance = GetModuleHandleW(nullptr);
  HBRUSH background = CreateSolidBrush(
      RGB(kDeviceDialogForm.colour >> 16, (kDeviceDialogForm.colour >> 8) & 0xFF, kDeviceDialogForm.colour & 0xFF));
  WNDCLASSW wc{};
  wc.lpfnWndProc = &WindowProc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  wc.hbrBackground = background;
  wc.lpszClassName = kClassName;
  RegisterClassW(&wc);
  const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_DLGFRAME;
  RECT frame{0, 0, kDeviceDialogForm.width, kDeviceDialogForm.height};
  AdjustWindowRect(&frame, style, FALSE);
  const int width = frame.right - frame.left, height = frame.bottom - frame.top;
  w.window = CreateWindowExW(WS_EX_DLGMODALFRAME, kClassName, Wide(dialog.Caption()).c_str(), style,
                             (GetSystemMetrics(SM_CXSCREEN) - width) / 2, (GetSystemMetrics(SM_CYSCREEN) - height) / 2,
                             width, height, nullptr, nullptr, instance, nullptr);
  bool shown = w.window != nullptr;
  if (shown) {
    w.form.Build(kDeviceDialogForm, w.window);
    w.heading = w.form.Get("Label1");
    w.list = w.form.Get("ListBox1");
    w.status = w.form.Get("Label2");
    SetWindowTextW(w.heading, Wide(dialog.Heading()).c_str());
    SendMessageW(w.list, LB_SETITEMHEIGHT, 0, kRowHeight);
    for (const std::string& row : dialog.Rows()) SendMessageW(w.list, LB_ADDSTRING, 0, LPARAM(Wide(row).c_str()));
    SetWindowSubclass(w.list, &ListProc, 1, reinterpret_cast<DWORD_PTR>(&w));
    SetWindowLongPtrW(w.window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&w));
    w.Sync();
    ShowWindow(w.window, SW_SHOWNORMAL);
    SetForegroundWindow(w.window);
    SetFocus(w.list);
    MSG msg;
    while (dialog.IsOpen() && GetMessageW(&msg, nullptr, 0, 0) > 0) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    RemoveWindowSubclass(w.list, &ListProc, 1);
    SetWindowLongPtrW(w.window, GWLP_USERDATA, 0);
    DestroyWindow(w.window);
    result = dialog.GetSelection();
  }
  DeleteObject(background);
  return shown;
}

}  // namespace kestrel
