// A stand-in for the outliner (OutlinerCmd.exe) on Windows: called as
//   OutlinerCmd.exe /D <source PDF> /O <output PDF> /B <bookmark CSV> /V
// it copies the source PDF to the output and writes beside the output a
// file "<output>.args" with its arguments, one a line (UTF-8), so that a
// test sees where the caller asked for the output.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

int wmain(int argc, wchar_t** argv) {
  const wchar_t* source = nullptr;
  const wchar_t* output = nullptr;
  for (int i = 1; i + 1 < argc; ++i) {
    if (std::wcscmp(argv[i], L"/D") == 0) source = argv[i + 1];
    if (std::wcscmp(argv[i], L"/O") == 0) output = argv[i + 1];
  }
  if (source == nullptr || output == nullptr || !CopyFileW(source, output, FALSE)) return 1;
  FILE* args = _wfopen((std::wstring(output) + L".args").c_str(), L"wb");
  if (args == nullptr) return 1;
  for (int i = 1; i < argc; ++i) {
    char text[4 * MAX_PATH];
    const int n = WideCharToMultiByte(CP_UTF8, 0, argv[i], -1, text, int(sizeof text), nullptr, nullptr);
    if (n > 0) std::fprintf(args, "%s\n", text);
  }
  std::fclose(args);
  return 0;
}
