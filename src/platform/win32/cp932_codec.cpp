#include "platform/win32/cp932_codec.h"

#include "platform/win32/windows_api.h"

#include <mutex>

#include "platform/win32/wide_text.h"

namespace kestrel {
namespace {

constexpr UINT kCp932 = 932;

bool IsLeadByte(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

// Converts one piece strictly; false when the code page cannot take it.
bool ToWideStrict(UINT codePage, std::string_view in, std::wstring& out) {
  if (in.empty()) return true;
  const int n = MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, in.data(), int(in.size()), nullptr, 0);
  if (n <= 0) return false;
  const size_t at = out.size();
  out.resize(at + size_t(n));
  MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, in.data(), int(in.size()), out.data() + at, n);
  return true;
}

// The length of the character that starts at in[0] in the given encoding.
size_t CharLength(std::string_view in, bool utf8) {
  const auto c = static_cast<unsigned char>(in[0]);
  size_t want = 1;
  if (utf8) {
    if (c >= 0xF0) want = 4;
    else if (c >= 0xE0) want = 3;
    else if (c >= 0xC0) want = 2;
    size_t n = 1;
    while (n < want && n < in.size() && (static_cast<unsigned char>(in[n]) & 0xC0) == 0x80) ++n;
    return n;
  }
  if (IsLeadByte(c) && in.size() >= 2) {
    const auto t = static_cast<unsigned char>(in[1]);
    if (t >= 0x40 && t <= 0xFC && t != 0x7F) want = 2;
  }
  return want;
}

// The whole text strictly, else character by character with '?' for each
// character the code page rejects.
std::wstring ToWide(UINT codePage, std::string_view in, bool utf8, bool& ok) {
  std::wstring out;
  if (ToWideStrict(codePage, in, out)) return out;
  out.clear();
  while (!in.empty()) {
    const size_t n = CharLength(in, utf8);
    if (!ToWideStrict(codePage, in.substr(0, n), out)) {
      out.push_back(L'?');
      ok = false;
    }
    in.remove_prefix(n);
  }
  return out;
}

}  // namespace

std::string Cp932Codec::ToUtf8(SjisView sjis, bool* ok) const {
  bool good = true;
  const std::wstring wide = ToWide(kCp932, sjis, false, good);
  if (ok != nullptr) *ok = good;
  return Utf8(wide);
}

SjisString Cp932Codec::ToCp932(std::string_view utf8, bool* ok) const {
  bool good = true;
  const std::wstring wide = ToWide(CP_UTF8, utf8, true, good);
  SjisString out;
  if (wide.empty()) {
    if (ok != nullptr) *ok = good;
    return out;
  }
  BOOL anyDefault = FALSE;
  const int whole = WideCharToMultiByte(kCp932, WC_NO_BEST_FIT_CHARS, wide.data(), int(wide.size()), nullptr, 0,
                                        nullptr, &anyDefault);
  if (whole > 0 && !anyDefault) {
    out.resize(size_t(whole));
    WideCharToMultiByte(kCp932, WC_NO_BEST_FIT_CHARS, wide.data(), int(wide.size()), out.data(), whole, nullptr,
                        nullptr);
    if (ok != nullptr) *ok = good;
    return out;
  }
  out.reserve(wide.size() * 2);
  // One UTF-16 character (or surrogate pair) at a time, so that each one
  // without a CP932 form becomes one '?'.
  char bytes[8];
  for (size_t i = 0; i < wide.size();) {
    size_t n = 1;
    if (wide[i] >= 0xD800 && wide[i] <= 0xDBFF && i + 1 < wide.size()) n = 2;
    BOOL usedDefault = FALSE;
    const int len = WideCharToMultiByte(kCp932, WC_NO_BEST_FIT_CHARS, wide.data() + i, int(n), bytes,
                                        int(sizeof bytes), nullptr, &usedDefault);
    if (len <= 0 || usedDefault) {
      out.push_back('?');
      if (wide[i] != L'?') good = false;
    } else {
      out.append(bytes, size_t(len));
    }
    i += n;
  }
  if (ok != nullptr) *ok = good;
  return out;
}

std::string Utf8ToConsoleText(std::string_view utf8) {
  UINT codePage = GetConsoleOutputCP();
  if (codePage == 0) codePage = GetACP();
  if (codePage == CP_UTF8) return std::string(utf8);
  bool good = true;
  const std::wstring wide = ToWide(CP_UTF8, utf8, true, good);
  if (wide.empty()) return {};
  const int n = WideCharToMultiByte(codePage, 0, wide.data(), int(wide.size()), nullptr, 0, nullptr, nullptr);
  if (n <= 0) return std::string(utf8);
  std::string out(size_t(n), '\0');
  WideCharToMultiByte(codePage, 0, wide.data(), int(wide.size()), out.data(), n, nullptr, nullptr);
  return out;
}

const TextCodec& InstallCp932Codec() {
  static Cp932Codec codec;
  static std::once_flag once;
  std::call_once(once, [] { InstallTextCodec(&codec); });
  return codec;
}

}  // namespace kestrel
