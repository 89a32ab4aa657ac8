#include "util/text_codec.h"

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

std::string Utf8FromSjis(SjisView sjis) { return Codec().ToUtf8(sjis, nullptr); }
SjisString SjisFromUtf8(std::string_view utf8) { return Codec().ToCp932(utf8, nullptr); }

}  // namespace kestrel
