#include "platform/text_codec.h"

#include <cstdio>
#include <cstdlib>

namespace kestrel {
namespace {
const TextCodec* g_codec = nullptr;
}

void InstallTextCodec(const TextCodec* codec) { g_codec = codec; }

const TextCodec& Codec() {
  if (g_codec == nullptr) {
    std::fputs("kestrel: no text converter installed\n", stderr);
    std::abort();
  }
  return *g_codec;
}

namespace {
// Bytes below 0x80 are the same characters in both encodings (code page
// 932 keeps 0x5C and 0x7E as backslash and tilde): most keys, numbers and
// paths need no converter.
bool IsAscii(std::string_view s) {
  for (char c : s)
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  return true;
}
}  // namespace

std::string Utf8FromSjis(SjisView sjis) {
  if (IsAscii(sjis)) return std::string(sjis);
  return Codec().ToUtf8(sjis, nullptr);
}
SjisString SjisFromUtf8(std::string_view utf8) {
  if (IsAscii(utf8)) return SjisString(utf8);
  return Codec().ToCp932(utf8, nullptr);
}

}  // namespace kestrel
