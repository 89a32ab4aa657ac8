#include "platform/win32/wide_text.h"

#include "platform/win32/windows_api.h"

namespace kestrel {

std::wstring Wide(std::string_view utf8) {
  if (utf8.empty()) return {};
  const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), nullptr, 0);
  std::wstring out(size_t(n > 0 ? n : 0), L'\0');
  if (n > 0) MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), out.data(), n);
  return out;
}

std::string Utf8(std::wstring_view wide) {
  if (wide.empty()) return {};
  const int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), int(wide.size()), nullptr, 0, nullptr, nullptr);
  std::string out(size_t(n > 0 ? n : 0), '\0');
  if (n > 0) WideCharToMultiByte(CP_UTF8, 0, wide.data(), int(wide.size()), out.data(), n, nullptr, nullptr);
  return out;
}

std::string EnvironmentValue(const wchar_t* name) {
  wchar_t small[512];
  DWORD n = GetEnvironmentVariableW(name, small, DWORD(std::size(small)));
  if (n == 0) return {};
  if (n < std::size(small)) return Utf8(std::wstring_view(small, n));
  std::wstring big(n, L'\0');
  n = GetEnvironmentVariableW(name, big.data(), n);
  big.resize(n);
  return Utf8(big);
}

}  // namespace kestrel
