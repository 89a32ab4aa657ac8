#include "platform/win32/device_dialog_window.h"

#include "platform/win32/windows_api.h"

#include <commctrl.h>

#include "platform/device_selection.h"
#include "platform/win32/wide_text.h"

namespace kestrel {

namespace {

constexpr wchar_t kClassName[] = L"KestrelDeviceDialog";
constexpr int kListId = 1;
constexpr COLORREF kBlue = RGB(136, 136, 255);
constexpr COLORREF kSilver = RGB(192, 192, 192);

struct DialogWindow {
  TSelPrn1* dialog = nullptr;
  HWND window = nullptr, heading = nullptr, list = nullptr, status = nullptr, hint = nullptr;
  HBRUSH blue = nullptr, white = nullptr, silver = nullptr;
  HFONT bold = nullptr, regular = nullptr;

  // Shows what the dialog holds: the highlighted row and the status line.
  void Sync() const {
    SendMessageW(list, LB_SETCURSEL, WPARAM(dialog->Highlighted()), 0);
    SetWindowTextW(status, Wide(dialog->StatusLine()).c_str());
  }
};

HFONT Tahoma(int pixels, int weight) {
  return CreateFontW(-pixels, 0, 0, 0, weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                     CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, L"Tahoma");
}

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
      if (LOWORD(wparam) == kListId) {
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
    case WM_CTLCOLORSTATIC: {
      HDC dc = reinterpret_cast<HDC>(wparam);
      const HWND control = reinterpret_cast<HWND>(lparam);
      SetTextColor(dc, RGB(0, 0, 0));
      if (control == self->status) {
        SetBkColor(dc, RGB(255, 255, 255));
        return reinterpret_cast<LRESULT>(self->white);
      }
      if (control == self->hint) {
        SetBkColor(dc, kSilver);
        return reinterpret_cast<LRESULT>(self->silver);
      }
      SetBkMode(dc, TRANSPARENT);
      return reinterpret_cast<LRESULT>(self->blue);
    }
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
  w.blue = CreateSolidBrush(kBlue);
  w.white = CreateSolidBrush(RGB(255, 255, 255));
  w.silver = CreateSolidBrush(kSilver);
  w.bold = Tahoma(16, FW_BOLD);
  w.regular = Tahoma(16, FW_NORMAL);
  WNDCLASSW wc{};
  wc.lpfnWndProc = &WindowProc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  wc.hbrBackground = w.blue;
  wc.lpszClassName = kClassName;
  RegisterClassW(&wc);
  const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_DLGFRAME;
  RECT frame{0, 0, 428, 390};
  AdjustWindowRect(&frame, style, FALSE);
  const int width = frame.right - frame.left, height = frame.bottom - frame.top;
  w.window = CreateWindowExW(WS_EX_DLGMODALFRAME, kClassName, Wide(dialog.Caption()).c_str(), style,
                             (GetSystemMetrics(SM_CXSCREEN) - width) / 2, (GetSystemMetrics(SM_CYSCREEN) - height) / 2,
                             width, height, nullptr, nullptr, instance, nullptr);
  bool shown = w.window != nullptr;
  if (shown) {
    auto child = [&](const wchar_t* kind, DWORD more, int x, int y, int cx, int cy, int id, HFONT font) {
      HWND h = CreateWindowExW(0, kind, L"", WS_CHILD | WS_VISIBLE | more, x, y, cx, cy, w.window,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
      SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
      return h;
    };
    w.heading = child(L"STATIC", SS_LEFT, 8, 8, 412, 19, 0, w.bold);
    w.list = child(L"LISTBOX", LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_BORDER | WS_TABSTOP, 8, 32, 410,
                   265, kListId, w.regular);
    w.status = child(L"STATIC", SS_LEFT, 8, 303, 410, 19, 0, w.bold);
    w.hint = child(L"STATIC", SS_LEFT, 8, 328, 410, 52, 0, w.bold);
    SetWindowTextW(w.heading, Wide(dialog.Heading()).c_str());
    SetWindowTextW(w.hint, Wide(kSelPrnHint).c_str());
    SendMessageW(w.list, LB_SETITEMHEIGHT, 0, 19);
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
  DeleteObject(w.blue);
  DeleteObject(w.white);
  DeleteObject(w.silver);
  DeleteObject(w.bold);
  DeleteObject(w.regular);
  return shown;
}

}  // namespace kestrel
