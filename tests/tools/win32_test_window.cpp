// A stand-in for the calling application on Windows: creates a window,
// starts the program named by its arguments with "-h <window>" put before
// the other arguments, counts the completion messages (WM_USER + 1000)
// the window receives until the program has ended, and prints
//   messages <count> exit <exit code>
// on standard output.
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
  if (argv == nullptr || argc < 2) {
    std::fprintf(stderr, "usage: kestrel_test_window PROGRAM [ARGUMENTS...]\n");
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
  std::wstring line = Quote(argv[1]) + L" -h " + std::to_wstring(reinterpret_cast<uintptr_t>(window));
  for (int i = 2; i < argc; ++i) line += L" " + Quote(argv[i]);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
    std::fprintf(stderr, "test window: cannot start the program (%lu)\n", GetLastError());
    return 1;
  }
  // Serve the window while the program runs; its messages are sent, so
  // they arrive through this wait.
  while (MsgWaitForMultipleObjects(1, &process.hProcess, FALSE, INFINITE, QS_ALLINPUT) != WAIT_OBJECT_0) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
  }
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
  DWORD code = 0;
  GetExitCodeProcess(process.hProcess, &code);
  std::printf("messages %d exit %lu\n", g_count, static_cast<unsigned long>(code));
  return 0;
}
