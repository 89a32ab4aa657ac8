// A stand-in for the calling application on Windows: creates a window,
// starts the program named by its arguments with "-h <window>" put before
// the other arguments, counts the completion messages (WM_USER + 1000)
// the window receives until the program has ended, and prints
//   messages <count> exit <exit code>
// on standard output. Options before the program (a display is needed for
// the windows):
//   --press-cancel   presses the cancel button of the program's progress
//                    form as soon as the form is there (the program sees it
//                    once the file it prints then is done, however fast the
//                    machine is), and adds " form <width>x<height> <colour>
//                    label <colour>" (the client size, the colours of the
//                    form and of its file label on the screen, as RRGGBB,
//                    taken when the first message box is answered: the form
//                    has been painted by then)
//   --pick-device=N  double-clicks row N of the program's device dialog
//                    half a second after it is there, and adds " dialog
//                    <width>x<height> <colour> status <colour> hint
//                    <colour>" (its client size, the colours of the dialog,
//                    its status line and its hint on the screen, taken when
//                    the first message box, its confirmation, is answered:
//                    the dialog has been painted by then)
//   --no-handle      starts the program without "-h <window>"
//   --box-wait=MS    how long a message box stays open (default 2500)
// With any of the first two it also presses the first button (OK, Yes) of
// each of the program's message boxes ("Kestrel") once the box has been
// open that long, and adds " cancelled <0 or 1> boxes <count>", then, when
// it pressed one, " first box <messages> in <ms>": the completion messages
// received while the first box was open and how long it was open (from when
// it was seen until it was pressed).
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

namespace {

constexpr UINT kPrintOut = WM_USER + 1000;
int g_count = 0;

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == kPrintOut && wparam == 0 && lparam == 0) ++g_count;
  return DefWindowProcW(window, message, wparam, lparam);
}

std::wstring Quote(const wchar_t* arg) {
  std::wstring a = arg;
  if (!a.empty() && a.find_first_of(L" \t\"") == std::wstring::npos) return a;
  std::wstring out = L"\"";
  for (wchar_t c : a) {
    if (c == L'"') out += L'\\';
    out += c;
  }
  return out + L"\"";
}

// " form <width>x<height> <colour> label <colour>": the progress form's
// client size and the colours of the form and of its file label on the
// screen (RRGGBB).
void DescribeForm(HWND form, char* report, size_t size) {
  RECT client{};
  GetClientRect(form, &client);
  POINT formPoint{4, 4};
  ClientToScreen(form, &formPoint);
  RECT label{};
  if (HWND field = FindWindowExW(form, nullptr, L"STATIC", nullptr)) GetWindowRect(field, &label);
  HDC screen = GetDC(nullptr);
  const COLORREF formColour = GetPixel(screen, formPoint.x, formPoint.y);
  const COLORREF labelColour = GetPixel(screen, label.right - 3, label.top + 1);
  ReleaseDC(nullptr, screen);
  std::snprintf(report, size, " form %ldx%ld %02X%02X%02X label %02X%02X%02X", client.right, client.bottom,
                GetRValue(formColour), GetGValue(formColour), GetBValue(formColour), GetRValue(labelColour),
                GetGValue(labelColour), GetBValue(labelColour));
}

// " dialog <width>x<height> <colour> status <colour> hint <colour>": the
// device dialog's client size and the colours of the dialog, its status line
// and its hint on the screen (RRGGBB).
void DescribeDialog(HWND dialog, char* report, size_t size) {
  RECT client{}, status{}, hint{};
  GetClientRect(dialog, &client);
  POINT corner{4, 4};
  ClientToScreen(dialog, &corner);
  // The labels in their order: heading, status line, hint.
  HWND label = FindWindowExW(dialog, nullptr, L"STATIC", nullptr);
  label = label != nullptr ? FindWindowExW(dialog, label, L"STATIC", nullptr) : nullptr;
  if (label != nullptr) GetWindowRect(label, &status);
  label = label != nullptr ? FindWindowExW(dialog, label, L"STATIC", nullptr) : nullptr;
  if (label != nullptr) GetWindowRect(label, &hint);
  HDC screen = GetDC(nullptr);
  const COLORREF colours[] = {GetPixel(screen, corner.x, corner.y), GetPixel(screen, status.right - 3, status.top + 1),
                              GetPixel(screen, hint.right - 3, hint.bottom - 2)};
  ReleaseDC(nullptr, screen);
  std::snprintf(report, size, " dialog %ldx%ld %02X%02X%02X status %02X%02X%02X hint %02X%02X%02X", client.right,
                client.bottom, GetRValue(colours[0]), GetGValue(colours[0]), GetBValue(colours[0]),
                GetRValue(colours[1]), GetGValue(colours[1]), GetBValue(colours[1]), GetRValue(colours[2]),
                GetGValue(colours[2]), GetBValue(colours[2]));
}

}  // namespace

int main() {
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  int first = 1;
  bool pressCancel = false, handle = true;
  int pickDevice = -1;
  ULONGLONG boxWait = 2500;
  for (; argv != nullptr && first < argc && std::wcsncmp(argv[first], L"--", 2) == 0; ++first) {
    if (std::wcscmp(argv[first], L"--press-cancel") == 0) pressCancel = true;
    else if (std::wcsncmp(argv[first], L"--pick-device=", 14) == 0) pickDevice = _wtoi(argv[first] + 14);
    else if (std::wcscmp(argv[first], L"--no-handle") == 0) handle = false;
    else if (std::wcsncmp(argv[first], L"--box-wait=", 11) == 0) boxWait = ULONGLONG(_wtoi(argv[first] + 11));
  }
  const bool driving = pressCancel || pickDevice >= 0;
  if (argv == nullptr || argc <= first) {
    std::fprintf(stderr,
                 "usage: kestrel_test_window [--press-cancel] [--pick-device=N] [--no-handle] [--box-wait=MS] PROGRAM "
                 "[ARGUMENTS...]\n");
    return 2;
  }
  WNDCLASSW wc{};
  wc.lpfnWndProc = WindowProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = L"KestrelTestCaller";
  RegisterClassW(&wc);
  // A message-only window: it needs no desktop.
  HWND window = CreateWindowExW(0, wc.lpszClassName, L"caller", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                wc.hInstance, nullptr);
  if (window == nullptr) {
    std::fprintf(stderr, "test window: no window (%lu)\n", GetLastError());
    return 1;
  }
  std::wstring line = Quote(argv[first]);
  if (handle) line += L" -h " + std::to_wstring(reinterpret_cast<uintptr_t>(window));
  for (int i = first + 1; i < argc; ++i) line += L" " + Quote(argv[i]);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
    std::fprintf(stderr, "test window: cannot start the program (%lu)\n", GetLastError());
    return 1;
  }
  // Serve the window while the program runs; its messages are sent, so
  // they arrive through this wait.
  int cancelled = 0, boxes = 0;
  bool picked = false;
  HWND box = nullptr, pressed = nullptr;
  HWND progressForm = nullptr, deviceDialog = nullptr;
  int countAtFirstBox = -1, firstBoxMessages = 0;
  ULONGLONG firstBoxMs = 0;
  ULONGLONG boxSeen = 0, dialogSeen = 0;
  char formReport[96] = "";
  while (MsgWaitForMultipleObjects(1, &process.hProcess, FALSE, driving ? 5 : INFINITE, QS_ALLINPUT) !=
         WAIT_OBJECT_0) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    if (pressCancel && cancelled == 0) {
      HWND form = FindWindowW(L"KestrelProgressForm", nullptr);
      HWND button = form != nullptr ? FindWindowExW(form, nullptr, L"BUTTON", nullptr) : nullptr;
      if (button != nullptr) {
        PostMessageW(button, BM_CLICK, 0, 0);
        progressForm = form;
        cancelled = 1;
      }
    }
    if (pickDevice >= 0 && !picked) {
      HWND dialog = FindWindowW(L"KestrelDeviceDialog", nullptr);
      HWND list = dialog != nullptr ? FindWindowExW(dialog, nullptr, L"ListBox", nullptr) : nullptr;
      if (list != nullptr && dialogSeen == 0) dialogSeen = GetTickCount64();
      if (list != nullptr && GetTickCount64() - dialogSeen >= 500) {
        deviceDialog = dialog;
        PostMessageW(list, LB_SETCURSEL, WPARAM(pickDevice), 0);
        PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(1, LBN_DBLCLK), reinterpret_cast<LPARAM>(list));
        picked = true;
      }
    }
    if (driving) {
      HWND open = FindWindowW(L"#32770", L"Kestrel");
      if (open == pressed) open = nullptr;  // pressed, closing
      if (open != box) {
        box = open;
        boxSeen = GetTickCount64();
        if (box != nullptr && countAtFirstBox < 0) countAtFirstBox = g_count;
      } else if (box != nullptr && GetTickCount64() - boxSeen >= boxWait) {
        if (boxes == 0) {
          firstBoxMessages = g_count - countAtFirstBox;
          firstBoxMs = GetTickCount64() - boxSeen;
        }
        if (progressForm != nullptr && formReport[0] == '\0' && IsWindowVisible(progressForm))
          DescribeForm(progressForm, formReport, sizeof formReport);
        if (deviceDialog != nullptr && formReport[0] == '\0' && IsWindowVisible(deviceDialog))
          DescribeDialog(deviceDialog, formReport, sizeof formReport);
        if (HWND button = FindWindowExW(box, nullptr, L"Button", nullptr)) PostMessageW(button, BM_CLICK, 0, 0);
        ++boxes;
        pressed = box;
        box = nullptr;
      }
    }
  }
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
  DWORD code = 0;
  GetExitCodeProcess(process.hProcess, &code);
  std::printf("messages %d exit %lu", g_count, static_cast<unsigned long>(code));
  if (driving) std::printf(" cancelled %d boxes %d%s", cancelled, boxes, formReport);
  if (driving && boxes > 0)
    std::printf(" first box %d in %llu", firstBoxMessages, static_cast<unsigned long long>(firstBoxMs));
  std::printf("\n");
  return 0;
}
