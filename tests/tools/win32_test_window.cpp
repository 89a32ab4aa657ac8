// A stand-in for the calling application on Windows: creates a window,
// starts the program named by its arguments with "-h <window>" put before
// the other arguments, counts the completion messages (WM_USER + 1000)
// the window receives until the program has ended, and prints
//   messages <count> exit <exit code>
// on standard output. With --press-cancel first (a display is needed), it
// presses the cancel button of the program's progress form as soon as the
// form is there, and presses OK on each of the program's message boxes
// ("Kestrel") once it has been open 2.5 seconds, and adds
// " cancelled <0 or 1> boxes <count>".
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

}  // namespace

int main() {
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  int first = 1;
  const bool pressCancel = argc > 1 && std::wcscmp(argv[1], L"--press-cancel") == 0;
  if (pressCancel) first = 2;
  if (argv == nullptr || argc <= first) {
    std::fprintf(stderr, "usage: kestrel_test_window [--press-cancel] PROGRAM [ARGUMENTS...]\n");
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
  std::wstring line = Quote(argv[first]) + L" -h " + std::to_wstring(reinterpret_cast<uintptr_t>(window));
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
  HWND box = nullptr;
  ULONGLONG boxSeen = 0;
  while (MsgWaitForMultipleObjects(1, &process.hProcess, FALSE, pressCancel ? 5 : INFINITE, QS_ALLINPUT) !=
         WAIT_OBJECT_0) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    if (pressCancel && cancelled == 0) {
      HWND form = FindWindowW(L"KestrelProgressForm", nullptr);
      HWND button = form != nullptr ? FindWindowExW(form, nullptr, L"BUTTON", nullptr) : nullptr;
      if (button != nullptr) {
        PostMessageW(button, BM_CLICK, 0, 0);
        cancelled = 1;
      }
    }
    if (pressCancel) {
      HWND open = FindWindowW(L"#32770", L"Kestrel");
      if (open != box) {
        box = open;
        boxSeen = GetTickCount64();
      } else if (box != nullptr && GetTickCount64() - boxSeen >= 2500) {
        PostMessageW(box, WM_COMMAND, IDOK, 0);
        ++boxes;
        box = nullptr;
      }
    }
  }
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
  DWORD code = 0;
  GetExitCodeProcess(process.hProcess, &code);
  std::printf("messages %d exit %lu", g_count, static_cast<unsigned long>(code));
  if (pressCancel) std::printf(" cancelled %d boxes %d", cancelled, boxes);
  std::printf("\n");
  return 0;
}
